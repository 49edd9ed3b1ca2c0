#include "Comparison.h"

#include <cstdio>

namespace {
std::vector<TComparison>& Comparisons()
{
    static std::vector<TComparison> comparisons;
    return comparisons;
}

std::string GoalText(const TComparison& c)
{
    if (c.Goal <= 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, c.Reference.empty() ? "%.0f MB/s" : "%.1f", c.Goal);
    return text;
}
} // namespace

int AddComparison(std::string ours, std::string reference, double goal)
{
    Comparisons().push_back({ std::move(ours), std::move(reference), goal });
    return 0;
}

int AddThroughputGoal(std::string ours, double megabytesPerSecond)
{
    return AddComparison(std::move(ours), std::string(), megabytesPerSecond);
}

void TComparisonReporter::ReportRuns(const std::vector<Run>& runs)
{
    // With repetitions, the median stands for the benchmark.
    for (const Run& run : runs) {
        if (run.error_occurred || run.iterations == 0)
            continue;
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
            continue;
        const std::string name
            = run.run_type == Run::RT_Aggregate ? run.run_name.str() : run.benchmark_name();
        // CPU time: the machine is shared, and waiting is not the code's.
        FTimes[name] = run.cpu_accumulated_time / double(run.iterations) * 1e9;
        const auto rate = run.counters.find("bytes_per_second");
        if (rate != run.counters.end())
            FRates[name] = rate->second;
    }
    ConsoleReporter::ReportRuns(runs);
}

int TComparisonReporter::PrintComparisons() const
{
    int missed = 0;
    std::printf(
        "\n%-28s %-28s %10s %10s %8s %10s\n", "ours", "reference", "ours ms", "ref ms", "ratio", "goal");
    for (const TComparison& c : Comparisons()) {
        const auto ours = FTimes.find(c.Ours);
        if (ours == FTimes.end() || ours->second <= 0)
            continue;
        double figure = 0;
        double referenceMs = 0;
        if (c.Reference.empty()) {
            const auto rate = FRates.find(c.Ours);
            if (rate == FRates.end())
                continue;
            figure = rate->second / 1e6;
        } else {
            const auto theirs = FTimes.find(c.Reference);
            if (theirs == FTimes.end())
                continue;
            figure = theirs->second / ours->second;
            referenceMs = theirs->second / 1e6;
        }
        const bool met = figure >= c.Goal;
        missed += met ? 0 : 1;
        std::printf("%-28s %-28s %10.3f %10s %8.2f %10s%s\n", c.Ours.c_str(),
            c.Reference.empty() ? "(MB/s)" : c.Reference.c_str(), ours->second / 1e6,
            c.Reference.empty() ? "-" : std::to_string(referenceMs).substr(0, 9).c_str(), figure,
            GoalText(c).c_str(), c.Goal > 0 ? (met ? "  met" : "  MISSED") : "");
    }
    return missed;
}
