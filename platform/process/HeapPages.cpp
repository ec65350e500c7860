#include "HeapPages.h"

#include <cstdlib> // defines __GLIBC__ with glibc

#if defined(__linux__) && defined(__GLIBC__)
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#endif

namespace tv::process {

#if defined(__linux__) && defined(__GLIBC__)

namespace {

constexpr const char *kTunables = "GLIBC_TUNABLES";
constexpr const char *kSwitch = "glibc.malloc.hugetlb";
// With the heap on huge pages, memory given back to the system costs a
// whole huge page to clear when it is touched again: blocks up to 32 MiB
// stay in the heap (the largest threshold glibc takes), and up to 128 MiB
// of free heap stays with the process. Otherwise a job that takes and
// frees a few large buffers over and over (a PDF page compressed per page)
// faults in fresh huge pages each time.
constexpr const char *kKeep[] = {"glibc.malloc.mmap_threshold=33554432", "glibc.malloc.trim_threshold=134217728"};
// Set only across the restart: "-" when GLIBC_TUNABLES was unset, else "="
// followed by its value.
constexpr const char *kWas = "TALVEX_GLIBC_TUNABLES_WAS";

bool HugePagesOnRequest()
{
    FILE *f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!f)
        return false;
    char buf[128] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    return std::strstr(buf, "[madvise]") != nullptr;
}

void RestoreTunables(const char *was)
{
    if (was[0] == '=')
        setenv(kTunables, was + 1, 1);
    else
        unsetenv(kTunables);
    unsetenv(kWas);
}

} // namespace

void StartWithHugePageHeap(char **argv)
{
    if (const char *was = std::getenv(kWas)) {
        const std::string copy = was; // RestoreTunables changes the environment under it
        RestoreTunables(copy.c_str());
        return;
    }
    const char *old = std::getenv(kTunables);
    if ((old && std::strstr(old, kSwitch)) || !argv || !argv[0] || !HugePagesOnRequest())
        return;
    // The program's own path, not /proc/self/exe: the process is named
    // after the file it was started from.
    char self[4096];
    const ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    if (len <= 0)
        return;
    self[len] = 0;
    const std::string was = old ? std::string("=") + old : std::string("-");
    std::string tunables = old && *old ? std::string(old) + ":" : std::string();
    tunables += kSwitch;
    tunables += "=1";
    for (const char *keep : kKeep) {
        const std::string name(keep, std::strchr(keep, '=') - keep);
        if (!old || !std::strstr(old, name.c_str()))
            tunables += std::string(":") + keep;
    }
    setenv(kWas, was.c_str(), 1);
    setenv(kTunables, tunables.c_str(), 1);
    execv(self, argv);
    RestoreTunables(was.c_str()); // no restart: go on as we are
}

#else

void StartWithHugePageHeap(char **) {}

#endif

} // namespace tv::process
