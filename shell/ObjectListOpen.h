#pragma once
// Opening objects from the connection window's object list: a double click
// or Enter on an item opens its definition window on the page of the option
// OpenMode, and the main window's "new object" buttons (launcher "actNew")
// open a new one of their kind in the connection's default schema.
class TfrmObject;

// Wires the list of `form`; registers the "actNew" launcher once when no
// other is registered.
void ConnectObjectListOpen(TfrmObject *form);
