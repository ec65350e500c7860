#pragma once
// Object-type codes: one integer per object kind, also the index of the
// kind's icon in the main image list; -1 stands for no known type.
#include <QString>

// The code of an upper-case type name ("TABLE" -> 45). The name is
// upper-cased first and compared whole, without trimming; any other text,
// the empty text included, gives -1. "USER" gives 2.
int ObjectTypeFromName(const QString &Name);

// The upper-case name of a code; 2 and 3 both give "USER"; schemas (4, 126),
// policies (129) and codes without a row give the empty text.
QString ObjectTypeName(int Code);
