#include "platform/Fonts.h"

#include <QFont>
#include <QFontDatabase>

#include <utility>

namespace qp {

namespace {

// Each face with its metric-compatible replacement from fonts-liberation.
constexpr std::pair<const char*, const char*> kSubstitutes[] = {
    {"Courier New", "Liberation Mono"},
    {"Arial", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
};

}  // namespace

void installFontSubstitutes()
{
    static const bool installed = [] {
        for (const auto& [face, substitute] : kSubstitutes) {
            const QString name = QString::fromLatin1(face);
            if (!QFontDatabase::hasFamily(name) && QFontDatabase::hasFamily(QString::fromLatin1(substitute)))
                QFont::insertSubstitution(name, QString::fromLatin1(substitute));
        }
        return true;
    }();
    Q_UNUSED(installed);
}

const QStringList& fontFamilies()
{
    static const QStringList families = [] {
        installFontSubstitutes();
        // A family that several foundries supply is listed once per foundry,
        // as "Name [Foundry]"; a document names the family alone.
        QStringList result;
        for (const QString& family : QFontDatabase::families()) {
            const qsizetype bracket = family.indexOf(QLatin1String(" ["));
            result << (bracket > 0 && family.endsWith(QLatin1Char(']')) ? family.left(bracket) : family);
        }
        result.removeDuplicates();
        for (const auto& [face, substitute] : kSubstitutes) {
            const QString name = QString::fromLatin1(face);
            if (!result.contains(name, Qt::CaseInsensitive) && !QFont::substitutes(name).isEmpty())
                result << name;
        }
        return result;
    }();
    return families;
}

}  // namespace qp
