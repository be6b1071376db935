// The words worth checking, the Hunspell dictionary behind our interface and
// the writer's word list on disk.
#include "spelling/PersonalWordList.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellingWords.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qp;

namespace {

const QString SystemDictionaries = QStringLiteral("/usr/share/hunspell");

QStringList wordsOf(const QString& text)
{
    QStringList words;
    for (const WordSpan& w : checkableWords(text))
        words << text.mid(w.start, w.length);
    return words;
}

struct WordsCase {
    const char* name;
    const char* text;
    QStringList words;
};

class CheckableWords : public ::testing::TestWithParam<WordsCase> {};

TEST_P(CheckableWords, LeaveOutWhatIsNoWord)
{
    EXPECT_EQ(wordsOf(QString::fromUtf8(GetParam().text)), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    , CheckableWords,
    ::testing::Values(WordsCase{"Plain", "Teh quick, brown fox.", {"Teh", "quick", "brown", "fox"}},
                      WordsCase{"StraightApostrophe", "don't stop", {"don't", "stop"}},
                      WordsCase{"CurlyApostrophe", "don\u2019t stop", {"don\u2019t", "stop"}},
                      WordsCase{"QuotesAroundAWord", "'quoted' \u2018word\u2019", {"quoted", "word"}},
                      WordsCase{"Digits", "abc123 4th x2 word", {"word"}},
                      WordsCase{"Capitals", "NASA and HTML I", {"and"}},
                      WordsCase{"Url", "see http://exmaple.com/teh now", {"see", "now"}},
                      WordsCase{"BareWebAddress", "www.exmaple.org or", {"or"}},
                      WordsCase{"Mail", "mail teh@exmaple.com today", {"mail", "today"}},
                      WordsCase{"Hyphen", "well-knwon", {"well", "knwon"}},
                      WordsCase{"Accents", "caf\u00e9 na\u00efve", {"caf\u00e9", "na\u00efve"}},
                      WordsCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckableWordAt, FindsTheWordAroundOrBeforeAnOffset)
{
    const QString text = QStringLiteral("one teh@x.org Teh fox");
    EXPECT_EQ(checkableWordAt(text, 15), (WordSpan{14, 3}));
    EXPECT_EQ(checkableWordAt(text, 17), (WordSpan{14, 3}));  // just after it
    EXPECT_EQ(checkableWordAt(text, 5).length, 0);            // in the address
}

TEST(ChooseLanguage, StoredThenLocaleThenEnglishThenAny)
{
    QTemporaryDir dir;
    for (const char* name : {"de_DE", "en_US", "fr_FR"}) {
        for (const char* ext : {".aff", ".dic"}) {
            QFile f(dir.filePath(QString::fromLatin1(name) + QString::fromLatin1(ext)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    QFile lone(dir.filePath("it_IT.aff"));  // no .dic: not installed
    ASSERT_TRUE(lone.open(QIODevice::WriteOnly));
    EXPECT_EQ(installedLanguages(dir.path()), (QStringList{"de_DE", "en_US", "fr_FR"}));
    EXPECT_EQ(chooseLanguage(dir.path(), "fr_FR", "de_DE"), "fr_FR");
    EXPECT_EQ(chooseLanguage(dir.path(), "it_IT", "de_DE"), "de_DE");
    EXPECT_EQ(chooseLanguage(dir.path(), "", "C"), "en_US");
    QTemporaryDir empty;
    EXPECT_EQ(chooseLanguage(empty.path(), "", "en_US"), "");
    EXPECT_EQ(createHunspellChecker(empty.path(), "en_US"), nullptr);
}

class Hunspell : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!installedLanguages(SystemDictionaries).contains("en_US"))
            GTEST_SKIP() << "no en_US dictionary in " << SystemDictionaries.toStdString();
        checker = createHunspellChecker(SystemDictionaries, "en_US");
        ASSERT_NE(checker, nullptr);
    }
    std::unique_ptr<SpellChecker> checker;
};

struct SuggestionCase {
    const char* word;
    const char* first;
};

class HunspellSuggests : public Hunspell, public ::testing::WithParamInterface<SuggestionCase> {};

TEST_P(HunspellSuggests, TheLikeliestCorrectionFirst)
{
    const QString word = QString::fromUtf8(GetParam().word);
    EXPECT_FALSE(checker->check(word));
    const QStringList suggestions = checker->suggest(word);
    ASSERT_FALSE(suggestions.isEmpty());
    EXPECT_EQ(suggestions.first(), QString::fromUtf8(GetParam().first));
}

INSTANTIATE_TEST_SUITE_P(, HunspellSuggests,
                         ::testing::Values(SuggestionCase{"Teh", "The"}, SuggestionCase{"teh", "the"},
                                           SuggestionCase{"recieve", "receive"},
                                           SuggestionCase{"beleive", "believe"},
                                           SuggestionCase{"seperate", "separate"},
                                           SuggestionCase{"occured", "occurred"},
                                           SuggestionCase{"writting", "writing"}),
                         [](const auto& info) { return std::string(info.param.word); });

TEST_F(Hunspell, KnowsWordsWithEitherApostropheAndLearnsAddedAndIgnoredOnes)
{
    EXPECT_TRUE(checker->check("The"));
    EXPECT_TRUE(checker->check("don't"));
    EXPECT_TRUE(checker->check(QString::fromUtf8("don\u2019t")));
    EXPECT_FALSE(checker->check("Quillpress"));
    checker->add("Quillpress");
    EXPECT_TRUE(checker->check("Quillpress"));
    EXPECT_FALSE(checker->check("zxqv"));
    checker->ignore("zxqv");
    EXPECT_TRUE(checker->check("zxqv"));
}

class WordList : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("PersonalWords.txt"); }
    void write(const QByteArray& bytes)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray contents() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(WordList, WordsAreAddedOnceAsUtf8LinesInAFolderMadeAsNeeded)
{
    PersonalWordList list(dir.filePath("new/folder/PersonalWords.txt"));
    EXPECT_TRUE(list.load().isEmpty());
    ASSERT_TRUE(list.add("Quillpress"));
    ASSERT_TRUE(list.add(QString::fromUtf8("na\u00efvet\u00e9")));
    ASSERT_TRUE(list.add("Quillpress"));
    EXPECT_EQ(list.load(), (QStringList{"Quillpress", QString::fromUtf8("na\u00efvet\u00e9")}));
    QFile f(list.path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Quillpress\nna\xc3\xafvet\xc3\xa9\n"));
}

TEST_F(WordList, AnotherWindowsWordsAreKeptWhenAWordIsAdded)
{
    PersonalWordList mine(path());
    ASSERT_TRUE(mine.add("first"));
    write(contents() + "other\r\n");  // written meanwhile by another window
    ASSERT_TRUE(mine.add("second"));
    EXPECT_EQ(mine.load(), (QStringList{"first", "other", "second"}));
}

TEST_F(WordList, BinaryDataIsPassedOverAndKeptAsideBeforeTheFileIsWritten)
{
    QByteArray bytes("good\n");
    static const char binary[] = "\x00\x01\xff\xfe binary\n";
    bytes += QByteArray(binary, sizeof binary - 1);
    bytes += "also\xc3\n" + QByteArray(500, 'x') + "\nfine\n";
    write(bytes);
    PersonalWordList list(path());
    EXPECT_EQ(list.load(), (QStringList{"good", "fine"}));
    ASSERT_TRUE(list.add("new"));
    EXPECT_EQ(contents(), QByteArray("good\nfine\nnew\n"));
    QFile kept(path() + ".damaged");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), bytes);
}

TEST_F(WordList, AHugeFileIsReadOnlyInPartAndQuickly)
{
    QByteArray bytes;
    bytes.reserve(12 * 1024 * 1024);
    QRandomGenerator random(7);
    while (bytes.size() < 12 * 1024 * 1024)
        bytes += "word" + QByteArray::number(random.generate() % 100000) + '\n';
    write(bytes);
    QElapsedTimer clock;
    clock.start();
    const QStringList words = PersonalWordList(path()).load();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(words.isEmpty());
    EXPECT_LT(words.size(), 1000000);
    EXPECT_EQ(QFileInfo(path()).size(), bytes.size());  // the file itself stays as it was
}

TEST_F(WordList, AWriteThatFailsLeavesTheFileAsItWas)
{
    write("kept\n");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    PersonalWordList list(path());
    const bool added = list.add("new");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (added)
        GTEST_SKIP() << "the folder stays writable (running as root)";
    EXPECT_FALSE(list.errorString().isEmpty());
    EXPECT_EQ(contents(), QByteArray("kept\n"));
}

}  // namespace
