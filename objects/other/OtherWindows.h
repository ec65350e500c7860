#pragma once
// Registers the definition windows of this library (sequences, rules) with the
// connection window's object dispatcher (opening and scripting by
// object-type code). Called once at program start.
void RegisterOtherWindows();
