#pragma once
// Report-definition files: one XML file per definition, named after it, in
// the data folder's "xlsdef" folder: root "TVDOC" (version 2), one
// "XLSDEF" element with the form file, detail start and count, output type
// and type, and one "HEADER", "BODY" or "BODY2" child per placed item.
#include "shell/ReportDefinition.h"

#include <QString>
#include <QStringList>

namespace xlsdef {

// The "xlsdef" folder of the data folder, with a trailing "/".
QString Folder();
// The file of a definition name.
QString FileOf(const QString &name);
// The definition names, in the order the folder lists its "*.def" files.
QStringList ListNames();

// Reads a definition file. Raises tv::Error with "指定されたファイルの形式を
// 認識できません。" for a file that is not well-formed XML and with "この
// バージョンのファイルには対応していません。" for another root or a version
// above 2 (or none). Numbers that are missing or not numbers read as 0.
TReportDefinition ReadDefinition(const QString &path);
// Writes a definition (creating the folder), replacing a file of that path.
// Raises tv::Error when the file cannot be written.
void WriteDefinition(const QString &path, const TReportDefinition &def);

// A name proposal for a new definition of a type: the caption itself, else
// the caption followed by 1, 2, 3 ... , the first that none of `taken` is
// (letter case ignored).
QString ProposeName(const QString &caption, const QStringList &taken);

} // namespace xlsdef
