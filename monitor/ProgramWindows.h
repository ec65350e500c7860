#pragma once
// Registers every window the program opens by action name (the SQL window,
// the definition windows, the tools and monitors), as the program does once
// at start. Calling it again replaces the same registrations.
void RegisterProgramWindows();
