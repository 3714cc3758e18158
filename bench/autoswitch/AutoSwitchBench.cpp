// What automatic switching costs when nothing happens: one pass over /proc
// (once a second) and matching a front against the rules.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "autoswitch/Programs.h"
#include "autoswitch/Rules.h"

namespace {

using namespace korvex;

void BM_ProgramScan(benchmark::State& state) {
    int argc = 1;
    char name[] = "bench";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    ProgramWatcher watcher;
    watcher.scan();  // the steady state: every process already read
    watcher.scan();
    for (auto _ : state) watcher.scan();
    // This process runs, so a pass that read nothing measured nothing.
    if (watcher.running().isEmpty()) state.SkipWithError("no running program was seen");
}
BENCHMARK(BM_ProgramScan)->Unit(benchmark::kMicrosecond);

void BM_MatchRules(benchmark::State& state) {
    std::vector<AutoSwitchRule> rules;
    for (int i = 0; i < 50; ++i) {
        AutoSwitchRule rule;
        rule.profId = i + 2;
        rule.kind = i % 2 ? AutoSwitchRule::Program : AutoSwitchRule::Application;
        rule.match = "game" + std::to_string(i);
        rule.title = i % 3 ? "" : "level";
        rules.push_back(rule);
    }
    const FrontApp front{"game48", {}, "Level 3", 0, {}};
    const QSet<QString> running{"bash", "steam", "game49"};
    std::optional<std::int64_t> matched;
    for (auto _ : state) {
        matched = matchRules(rules, front, running);
        benchmark::DoNotOptimize(matched);
    }
    if (matched != 50) state.SkipWithError("the front was not matched");
}
BENCHMARK(BM_MatchRules);

}  // namespace
