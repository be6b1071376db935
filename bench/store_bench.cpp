// Reading a settings file grows with its size alone: one key with many
// values, and many keys with one value each, read by the store's parser.
#include "store/RegistryFile.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

namespace {

QByteArray oneKeyWithManyValues(int count)
{
    QByteArray bytes = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Many]\n";
    for (int i = 0; i < count; ++i)
        bytes += "\"Value" + QByteArray::number(i) + "\"=\"text " + QByteArray::number(i) + "\"\n";
    return bytes;
}

QByteArray manyKeysWithOneValue(int count)
{
    QByteArray bytes = "Windows Registry Editor Version 5.00\n\n";
    for (int i = 0; i < count; ++i)
        bytes += "[HKEY_CURRENT_USER\\Software\\Many\\Key" + QByteArray::number(i) + "]\n\"Value\"=dword:00000001\n\n";
    return bytes;
}

void readSettings(benchmark::State& state, const QByteArray& bytes)
{
    for (auto _ : state) {
        const qp::regfile::Parsed parsed = qp::regfile::parse(bytes, qp::Hive::CurrentUser);
        if (parsed.error)
            state.SkipWithError("the settings file did not parse");
        benchmark::DoNotOptimize(parsed.root.subkeys.size());
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_ReadOneKeyWithManyValues(benchmark::State& state)
{
    readSettings(state, oneKeyWithManyValues(int(state.range(0))));
}
BENCHMARK(BM_ReadOneKeyWithManyValues)->RangeMultiplier(10)->Range(500, 50'000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_ReadManyKeysWithOneValue(benchmark::State& state)
{
    readSettings(state, manyKeysWithOneValue(int(state.range(0))));
}
BENCHMARK(BM_ReadManyKeysWithOneValue)->RangeMultiplier(10)->Range(500, 50'000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
