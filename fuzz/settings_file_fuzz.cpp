// Feeds arbitrary bytes to the settings-file parser. It may refuse them, but
// never crash, hang or leak; and what it accepts, written back and read
// again, must write the same bytes: a settings file survives the store.
#include "store/RegistryFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const qp::Hive hive : {qp::Hive::CurrentUser, qp::Hive::ClassesRoot}) {
        const qp::regfile::Parsed first = qp::regfile::parse(bytes, hive);
        if (first.error)
            continue;
        const QByteArray written = qp::regfile::serialize(first.root, hive);
        const qp::regfile::Parsed again = qp::regfile::parse(written, hive);
        if (again.error || qp::regfile::serialize(again.root, hive) != written)
            std::abort();
    }
    return 0;
}
