// All benchmarks in one binary, with the comparisons against the reference
// libraries printed after the run. Exits 0 whatever the figures: the table
// says which goals were missed.
#include "Comparison.h"

#include <cstdio>

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TComparisonReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const int missed = reporter.PrintComparisons();
    if (missed)
        std::printf("%d goal(s) missed\n", missed);
    benchmark::Shutdown();
    return 0;
}
