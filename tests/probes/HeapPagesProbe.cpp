// Starts as the program does and prints what the start left: its arguments,
// GLIBC_TUNABLES as the programs it starts would inherit it, whether the
// process was restarted (the note of the restart stands in the environment
// block it was last started with; glibc cuts GLIBC_TUNABLES there at its
// first ':' as it reads it, so that one is not shown) and its process name.
#include "platform/process/HeapPages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char **argv)
{
    tv::process::StartWithHugePageHeap(argv);
    for (int i = 1; i < argc; ++i)
        std::printf("arg=%s\n", argv[i]);
    const char *now = std::getenv("GLIBC_TUNABLES");
    std::printf("now=%s\n", now ? now : "<unset>");
    const char *mark = std::getenv("TALVEX_GLIBC_TUNABLES_WAS");
    std::printf("mark=%s\n", mark ? mark : "<unset>");
    std::ifstream f("/proc/self/environ", std::ios::binary);
    const std::string env((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::string restarted = "no";
    for (size_t at = 0; at < env.size();) {
        const size_t end = env.find('\0', at);
        const std::string entry = env.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (entry.rfind("TALVEX_GLIBC_TUNABLES_WAS=", 0) == 0)
            restarted = "from " + entry.substr(std::strlen("TALVEX_GLIBC_TUNABLES_WAS="));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    std::printf("restarted=%s\n", restarted.c_str());
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    std::printf("name=%s\n", name.c_str());
    return 0;
}
