// The fault sweep: reference runs of every scenario count each watched
// function's calls and call sites; then each call site, in the cheapest
// scenario that reaches it, is run once with a transient and once with a
// persistent fault, and every run is checked (fault_run.h).  Prints a line
// per run, a table per function and "N passed, N failed"; exits 1 when a
// run failed.
//
//   fault_sweep.exe [--slice] [--only FUNCTION] [--log FILE] [--symbols FILE]
//   fault_sweep.exe --run SCENARIO PLAN [--log FILE] [--symbols FILE]
//
// --slice runs one site per function (the cheapest); --only one function;
// --run one run of a scenario with the faults of PLAN (fault_plan.h), as
// the sweep's report gives it for a failed run.  --log names the file the
// savers' standard error goes to (Wine's heap reports), --symbols
// velmor.scr's symbols (symbol_table.h); both Windows paths.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/faults/fault_run.h"
#include "tests/faults/symbol_table.h"

namespace {

struct Options {
    bool slice = false;
    int only = -1;
    std::string log;
    std::string symbols;
    int runScenario = -1;
    std::string runPlan;
};

// A call site, and the cheapest scenario that reaches it.
struct Site {
    int function;
    DWORD offset;
    int scenario;
    LONG firstCall;
};

struct Tally {
    LONG calls = 0;
    int sites = 0;
    LONG injected = 0;
    int runs = 0;
    int passed = 0;
};

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--slice") {
            options->slice = true;
        } else if (option == "--only" && hasValue) {
            const char* name = argv[++i];
            options->only = FaultFunctionNamed(name, std::strlen(name));
            if (options->only < 0) return false;
        } else if (option == "--log" && hasValue) {
            options->log = argv[++i];
        } else if (option == "--symbols" && hasValue) {
            options->symbols = argv[++i];
        } else if (option == "--run" && i + 2 < argc) {
            options->runScenario = ScenarioNamed(argv[++i]);
            options->runPlan = argv[++i];
            if (options->runScenario < 0) return false;
        } else {
            return false;
        }
    }
    return true;
}

std::string Indented(const std::string& text) {
    std::string out;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        out += "      " + text.substr(begin, end - begin) + "\n";
        begin = end + 1;
    }
    return out;
}

void Report(const char* what, const std::string& detail, int scenario, const RunResult& result,
            const std::string& plan) {
    std::printf("%s  %-44s [%s, %.1f s]%s%s\n", result.passed ? "pass" : "FAIL", what,
                ScenarioName(scenario), result.seconds, result.note.empty() ? "" : "  ",
                result.note.c_str());
    if (!detail.empty()) std::printf("      at %s\n", detail.c_str());
    if (!result.passed) {
        std::printf("%s", Indented(result.failure).c_str());
        if (!plan.empty())
            std::printf("      again: bash tools/fault-sweep.sh --run %s '%s'\n",
                        ScenarioName(scenario), plan.c_str());
    }
    std::fflush(stdout);
}

// The sites every reference run reached, each with the cheapest scenario.
// Code of the runtime, not of the saver, and not swept: the C runtime's
// startup, which copies the command line and environment before any of the
// saver's code runs and does not check its mallocs (each run would crash),
// and a coverage build's gcov runtime.
bool InRuntime(const SymbolTable& symbols, DWORD offset) {
    const std::string name = symbols.NameOf(offset);
    for (const char* runtime : {"__tmainCRTStartup+", "__gcov_", "gcov_"})
        if (name.compare(0, std::strlen(runtime), runtime) == 0) return true;
    return false;
}

std::vector<Site> CollectSites(const RunResult (&references)[SCENARIO_COUNT],
                               std::map<int, Tally>* tallies) {
    std::vector<Site> sites;
    for (int scenario = 0; scenario < SCENARIO_COUNT; ++scenario) {
        const FaultShared& seen = references[scenario].seen;
        for (int f = 0; f < FAULT_FUNCTION_COUNT; ++f) {
            const FaultCounter& counter = seen.counters[f];
            (*tallies)[f].calls += counter.calls;
            for (LONG i = 0; i < counter.siteCount; ++i) {
                const FaultSite& site = counter.sites[i];
                const bool known = std::any_of(sites.begin(), sites.end(), [&](const Site& s) {
                    return s.function == f && s.offset == site.offset;
                });
                if (!known) sites.push_back(Site{f, site.offset, scenario, site.firstCall});
            }
        }
    }
    std::stable_sort(sites.begin(), sites.end(), [](const Site& a, const Site& b) {
        if (a.function != b.function) return a.function < b.function;
        if (a.scenario != b.scenario) return a.scenario < b.scenario;
        return a.firstCall < b.firstCall;
    });
    return sites;
}

void PrintTable(const std::map<int, Tally>& tallies) {
    std::printf("\n%-28s %7s %6s %16s %12s\n", "function", "calls", "sites", "faults injected",
                "runs passed");
    for (int f = 0; f < FAULT_FUNCTION_COUNT; ++f) {
        const Tally& tally = tallies.at(f);
        char runs[32];
        std::snprintf(runs, sizeof runs, "%d/%d", tally.passed, tally.runs);
        std::printf("%-28s %7ld %6d %16ld %12s\n", NameOf(f), tally.calls, tally.sites,
                    tally.injected, runs);
    }
}

int RunOne(const Options& options, RunContext& context) {
    std::vector<PlannedFault> plan;
    if (!ParseFaultPlan(options.runPlan.c_str(), &plan)) {
        std::printf("fault_sweep: a plan is FUNCTION[@SITE]:N[:p],...\n");
        return 2;
    }
    const RunResult result = RunScenario(options.runScenario, plan, context);
    Report(options.runPlan.c_str(), "", options.runScenario, result, options.runPlan);
    std::printf("%d passed, %d failed\n", result.passed ? 1 : 0, result.passed ? 0 : 1);
    return result.passed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::printf(
            "usage: fault_sweep.exe [--slice] [--only FUNCTION] [--log FILE] [--symbols FILE]\n"
            "       fault_sweep.exe --run SCENARIO PLAN [--log FILE] [--symbols FILE]\n");
        return 2;
    }
    // A crash of a saver must end it, not wait on a crash dialog; children
    // inherit the mode.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SaverLog log(options.log);
    SymbolTable symbols;
    symbols.Load(options.symbols);
    RunContext context;
    context.passRanges = symbols.OperatorNewRanges();
    context.spareRanges = symbols.GcovRange();
    context.log = &log;
    context.symbols = &symbols;
    if (options.runScenario >= 0) return RunOne(options, context);

    int passed = 0;
    int failed = 0;
    std::map<int, Tally> tallies;
    for (int f = 0; f < FAULT_FUNCTION_COUNT; ++f) tallies[f] = Tally();

    RunResult references[SCENARIO_COUNT];
    for (int scenario = 0; scenario < SCENARIO_COUNT; ++scenario) {
        references[scenario] = RunScenario(scenario, {}, context);
        Report("reference run, no fault", "", scenario, references[scenario], "");
        (references[scenario].passed ? passed : failed)++;
    }

    std::vector<Site> sites = CollectSites(references, &tallies);
    int lastFunction = -1;
    for (const Site& site : sites) {
        if (options.only >= 0 && site.function != options.only) continue;
        if (InRuntime(symbols, site.offset)) {
            std::printf("skip  %-10s %s@%lx: in the runtime's %s\n", "runtime",
                        NameOf(site.function), static_cast<unsigned long>(site.offset),
                        symbols.NameOf(site.offset).c_str());
            continue;
        }
        ++tallies[site.function].sites;
        if (options.slice && site.function == lastFunction) continue;
        lastFunction = site.function;
        for (int form = 0; form < 2; ++form) {
            PlannedFault fault;
            fault.function = site.function;
            fault.site = site.offset;
            fault.persistent = form == 1;
            const std::string plan = FormatFaultPlan({fault});
            const RunResult result = RunScenario(site.scenario, {fault}, context);
            Tally& tally = tallies[site.function];
            ++tally.runs;
            tally.injected += result.seen.counters[site.function].failed;
            char what[96];
            std::snprintf(what, sizeof what, "%-10s %s@%lx", form ? "persistent" : "transient",
                          NameOf(site.function), static_cast<unsigned long>(site.offset));
            Report(what, symbols.NameOf(site.offset), site.scenario, result, plan);
            if (result.passed) {
                ++tally.passed;
                ++passed;
            } else {
                ++failed;
            }
        }
    }
    PrintTable(tallies);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
