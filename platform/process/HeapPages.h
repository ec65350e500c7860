#pragma once
// Loading a large script or result allocates hundreds of megabytes at once;
// where every first touch of a 4 KiB page is a page fault (virtual machines
// above all) the faults cost more than the work itself. glibc's allocator
// can put its heap on transparent huge pages, but only when told so as the
// process starts (GLIBC_TUNABLES).
//
// StartWithHugePageHeap, called first thing in main, restarts the program
// once with that switch added when the kernel hands out huge pages only on
// request ("madvise"); on the restart it puts the environment back as it
// was, so the programs it starts later (psql, pg_dump ...) inherit nothing.
// Nothing happens when the user set the switch either way, when huge pages
// are off or always on, or off Linux/glibc; when the restart fails the
// program goes on as it is.
namespace tv::process {

void StartWithHugePageHeap(char **argv);

} // namespace tv::process
