#pragma once
// The processor's model name as /proc/cpuinfo gives it: every figure names its CPU.

#include <fstream>
#include <string>

inline std::string CpuName()
{
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown CPU";
}
