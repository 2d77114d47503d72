#include "note/sim/SimSeeds.h"

#include <cstdlib>

namespace {

int EnvironmentNumber(const std::string& name, int otherwise) {
    const char* value = std::getenv(name.c_str());
    return value && *value ? std::atoi(value) : otherwise;
}

} // namespace

TSeedRun SeedRunFromEnvironment(const std::string& prefix, int defaultCount) {
    TSeedRun run;
    run.Only = EnvironmentNumber(prefix + "_SEED", 0);
    run.Length = EnvironmentNumber(prefix + "_LENGTH", 0);
    run.First = run.Only ? run.Only : EnvironmentNumber(prefix + "_FIRST", 1);
    run.Count = run.Only ? 1 : EnvironmentNumber(prefix + "_COUNT", defaultCount);
    run.Shown = EnvironmentNumber(prefix + "_SHOW", 20);
    return run;
}
