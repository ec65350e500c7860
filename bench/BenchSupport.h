#pragma once
// Helpers shared by the benchmark programs.
#include <QString>
#include <string>

namespace tvbench {

// Wall-clock seconds of a shell-free run of psql with the given arguments
// (output to /dev/null); -1 when psql cannot be run.
double timePsql(const QStringList &args);
// Peak resident set size of this process so far, in bytes (VmHWM).
long long peakRssBytes();
// Prints one comparison line: "<what>: ours X s, psql Y s, ratio Z".
void printBeside(const std::string &what, double ours, double psql);

} // namespace tvbench
