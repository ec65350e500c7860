#pragma once
// The reserved words that the SQL editors colour and complete: the global
// list ReserveWordList, stored as the value names of the key "RESERVE" (each
// value holding the empty text). The built-in keywords stand in when none are
// stored.
#include <QStringList>

namespace tv::settings {
class TtvRegistry;
}

// Sorted without regard to letter case after loading.
extern QStringList ReserveWordList;

// Sorts a word list without regard to letter case.
void SortReserveWords(QStringList &words);

// Reads the value names of "RESERVE" (creating the key) into ReserveWordList;
// with none, the built-in keywords; then sorts the list.
void LoadReserveWords(tv::settings::TtvRegistry &reg);
// Deletes "RESERVE" with everything in it and writes it anew from
// ReserveWordList, in list order, so words removed from the list are gone.
// Throws tv::Error when the key cannot be written.
void SaveReserveWords(tv::settings::TtvRegistry &reg);
