// Side-by-side figures of one benchmark run: each comparison names one of
// our benchmarks, the reference benchmark doing the same work, and the least
// speed ratio (reference time / our time) we aim for. The reporter keeps
// every benchmark's time and prints the comparisons after the run.
#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <vector>

struct TComparison {
    std::string Ours;
    std::string Reference; // empty for a goal in MB/s of our benchmark alone
    double Goal; // least speed ratio or MB/s; 0 for figures shown without a goal
};

// Registers a comparison; returns 0 so that it can initialise a static.
int AddComparison(std::string ours, std::string reference, double goal);
// Registers a least throughput in MB/s (10^6 bytes) for a benchmark that
// sets its bytes processed.
int AddThroughputGoal(std::string ours, double megabytesPerSecond);

class TComparisonReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    // Prints the table of comparisons whose two sides both ran; returns
    // the number of goals missed.
    int PrintComparisons() const;

private:
    std::map<std::string, double> FTimes; // benchmark name -> ns per iteration
    std::map<std::string, double> FRates; // benchmark name -> bytes per second
};
