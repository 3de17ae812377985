// Find and Add as the main window runs them (open, find, read or insert,
// close), through the record scan and through the index, on dictionaries of
// a thousand, a hundred thousand and a million acronyms.
//
// store_bench --data=FOLDER [benchmark options]
// The dictionaries are made in FOLDER on the first run and kept.

#include "benchdictionary.h"

#include "store/dictionary.h"
#include "store/file/files.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const quint32 kSizes[] = {1000, 100000, 1000000};

QString dictionaryPath(const QString &folder, quint32 size)
{
    return QDir(folder).filePath(QStringLiteral("acronyms-%1.fdb").arg(size));
}

void useIndex(bool on)
{
    store::Files::instance().setLookupByIndex(on);
}

// Keys of records spread evenly over the table, so that the record scan
// reads half of it on average.
std::vector<QString> presentKeys(quint32 size)
{
    std::vector<QString> keys;
    for (quint32 k = 0; k < 64; ++k)
        keys.push_back(bench::acronymFor(static_cast<quint32>((2 * k + 1) * quint64(size) / 128)));
    return keys;
}

void find(benchmark::State &state, const QString &path, quint32 size, bool index)
{
    useIndex(index);
    const std::vector<QString> keys = presentKeys(size);
    size_t next = 0;
    for (auto _ : state) {
        store::Dictionary dictionary(store::Location::file(path));
        std::optional<store::Entry> entry = dictionary.find(keys[next++ % keys.size()]);
        if (!entry) {
            state.SkipWithError("a stored acronym was not found");
            break;
        }
        benchmark::DoNotOptimize(entry);
    }
}

// Every Add stores a new acronym: digits never occur in the generated ones,
// and the time of the run keeps those of earlier runs apart.
void add(benchmark::State &state, const QString &path, bool index)
{
    useIndex(index);
    static const qint64 run = QDateTime::currentMSecsSinceEpoch();
    static int counter = 0;
    for (auto _ : state) {
        const QString acronym = QStringLiteral("N%1-%2").arg(run).arg(++counter);
        // As the main window's Add: look, then add (which looks once more
        // inside its write transaction).
        store::Dictionary dictionary(store::Location::file(path));
        if (dictionary.find(acronym) || !dictionary.add(acronym, QStringLiteral("added by the benchmark")).added) {
            state.SkipWithError("a new acronym was found");
            break;
        }
    }
}

// One durable commit alone: open a tiny dictionary, insert, close.
void commit(benchmark::State &state, const QString &path)
{
    int counter = 0;
    for (auto _ : state) {
        store::Dictionary(store::Location::file(path))
            .add(QStringLiteral("C%1").arg(++counter), QStringLiteral("commit"));
    }
}

double elapsedUs(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// An Add through the index and a durable commit alone, in turns: how long a
// commit waits for the disk changes from minute to minute on a shared
// machine, so only figures taken side by side tell what Add costs beyond it.
void addBesideCommit(benchmark::State &state, const QString &path, const QString &tiny)
{
    useIndex(true);
    static const qint64 run = QDateTime::currentMSecsSinceEpoch();
    int counter = 0;
    std::vector<double> adds, commits, differences;
    for (auto _ : state) {
        const QString acronym = QStringLiteral("P%1-%2").arg(run).arg(++counter);
        const double add = elapsedUs([&] {
            store::Dictionary dictionary(store::Location::file(path));
            if (dictionary.find(acronym) || !dictionary.add(acronym, QStringLiteral("added by the benchmark")).added)
                state.SkipWithError("a new acronym was found");
        });
        const double commit =
            elapsedUs([&] { store::Dictionary(store::Location::file(tiny)).add(acronym, QStringLiteral("commit")); });
        adds.push_back(add);
        commits.push_back(commit);
        differences.push_back(add - commit);
    }
    state.counters["add_us"] = medianOf(adds);
    state.counters["commit_us"] = medianOf(commits);
    state.counters["difference_us"] = medianOf(differences);
}

// Passes every run on to the console and keeps the medians for the summary.
class Collector : public benchmark::ConsoleReporter
{
public:
    Collector()
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular)
    {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.aggregate_name == "median" && !run.error_occurred) {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpuMedians[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
            if (run.run_name.function_name == "AddBesideCommit/1000000" && !run.error_occurred)
                for (const auto &[counter, value] : run.counters)
                    besideCommit[counter] = value.value;
            if (run.error_occurred)
                failed = true;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> medians; // microseconds
    std::map<std::string, double> cpuMedians;
    std::map<std::string, double> besideCommit;
    bool failed = false;
};

std::string name(const char *operation, const char *way, quint32 size)
{
    return std::string(operation) + "/" + way + "/" + std::to_string(size);
}

void printSummary(const Collector &collector)
{
    const auto lookUp = [](const std::map<std::string, double> &figures, const std::string &key) {
        const auto found = figures.find(key);
        return found == figures.end() ? std::nan("") : found->second;
    };
    const auto median = [&](const std::string &key) { return lookUp(collector.medians, key); };
    const auto cpu = [&](const std::string &key) { return lookUp(collector.cpuMedians, key); };
    std::printf("\nStore operations: median time per operation in microseconds (processor time in brackets;\n"
                "the difference is time spent waiting for the disk or for other programs on the machine)\n\n");
    std::printf("| operation | acronyms | record scan | index | scan / index |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    for (const char *operation : {"Find", "Add"}) {
        for (const quint32 size : kSizes) {
            const std::string scan = name(operation, "scan", size);
            const std::string index = name(operation, "index", size);
            std::printf("| %s | %u | %.1f (%.1f) | %.1f (%.1f) | %.0fx |\n", operation, size, median(scan), cpu(scan),
                        median(index), cpu(index), median(scan) / median(index));
        }
    }
    const double durable = median("Commit");
    std::printf("| one durable commit alone | | | %.1f (%.1f) | |\n\n", durable, cpu("Commit"));

    const double find1k = median(name("Find", "index", 1000));
    const double find1m = median(name("Find", "index", 1000000));
    const auto verdict = [](bool met) { return met ? "met" : "NOT MET"; };
    std::printf("Targets\n");
    std::printf("  Find at 1,000,000: %.1f us <= 300 us: %s\n", find1m, verdict(find1m <= 300));
    std::printf("  Find at 1,000,000 <= 2 x Find at 1,000 (%.1f us): %.2fx: %s\n", find1k, find1m / find1k,
                verdict(find1m <= 2 * find1k));
    const std::string addName = name("Add", "index", 1000000);
    std::printf("  Add at 1,000,000 <= 1000 us + one durable commit: %s\n"
                "    taken in turns with a commit alone, medians of 100 each: Add %.1f us, commit %.1f us,\n"
                "    Add minus commit %.1f us; processor time beyond the commit's (table above): %.1f us\n",
                verdict(lookUp(collector.besideCommit, "difference_us") <= 1000),
                lookUp(collector.besideCommit, "add_us"), lookUp(collector.besideCommit, "commit_us"),
                lookUp(collector.besideCommit, "difference_us"), cpu(addName) - cpu("Commit"));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QString folder;
    std::vector<char *> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--data=", 7) == 0)
            folder = QString::fromLocal8Bit(argv[i] + 7);
        else
            rest.push_back(argv[i]);
    }
    if (folder.isEmpty()) {
        std::fprintf(stderr, "usage: store_bench --data=FOLDER [benchmark options]\n");
        return 2;
    }
    QDir().mkpath(folder);
    // The program opens its dictionary by absolute path.
    folder = QFileInfo(folder).absoluteFilePath();
    for (const quint32 size : kSizes) {
        std::fprintf(stderr, "dictionary of %u acronyms...\n", size);
        bench::makeDictionary(dictionaryPath(folder, size), size);
    }
    const QString tiny = QDir(folder).filePath(QStringLiteral("commit.fdb"));
    bench::makeDictionary(tiny, 10);

    // Real time: a durable commit waits for the disk, not the processor.
    const auto configure = [](benchmark::internal::Benchmark *b) {
        b->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.3)->Repetitions(5)->ReportAggregatesOnly(true);
    };
    // The durable commit first, then every Find, then every Add: a Find is
    // never measured while the disk still writes back what an Add wrote.
    // Last, Add and a commit in turns.
    configure(benchmark::RegisterBenchmark("Commit", [=](benchmark::State &state) { commit(state, tiny); }));
    for (const bool adding : {false, true}) {
        for (const quint32 size : kSizes) {
            const QString path = dictionaryPath(folder, size);
            for (const bool index : {false, true}) {
                const char *way = index ? "index" : "scan";
                if (adding)
                    configure(benchmark::RegisterBenchmark(name("Add", way, size).c_str(),
                                                           [=](benchmark::State &state) { add(state, path, index); }));
                else
                    configure(
                        benchmark::RegisterBenchmark(name("Find", way, size).c_str(),
                                                     [=](benchmark::State &state) { find(state, path, size, index); }));
            }
        }
    }

    const QString million = dictionaryPath(folder, 1000000);
    benchmark::RegisterBenchmark("AddBesideCommit/1000000",
                                 [=](benchmark::State &state) { addBesideCommit(state, million, tiny); })
        ->Iterations(100)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();

    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 2;
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    printSummary(collector);
    return collector.failed ? 1 : 0;
}
