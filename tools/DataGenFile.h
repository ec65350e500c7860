#pragma once
// The test-data generator's settings file and template files, both in the
// data folder's "DATAGEN".
//
// Settings: DATAGEN/<table>.prm, an XML document (root "TVDOC" with
// "TVDOC-VERSION" = "2", one "DATAGEN" element with the mode, counts,
// parent table and WHERE text, and one "COL<i>" element per rule). Numbers
// are written with ".", dates as "yyyy/MM/dd" or "yyyy/MM/dd HH:mm:ss". The
// file is written to a temporary file and renamed over the old one.
//
// Templates: DATAGEN/*.txt, one candidate value per line in the encoding of
// the option Encoding; the name without ".txt" is the template name.
#include "tools/DataGenRule.h"

// DataDir() + "DATAGEN".
QString DataGenDir();
// DataGenDir() + "/" + table + ".prm".
QString ParamFileName(const QString &Table);

// Writes the job's settings and rules; raises tv::Error when the file
// cannot be written (the old file then stays as it was).
void SaveParamFile(const TDataGenJob &Job, const QString &Path);
// Reads a settings file into the job: the mode, counts, parent table and
// WHERE text, and every rule whose column name matches (other rules are
// cleared). Raises tv::Error "このバージョンのファイルには対応していません。"
// for a document of another kind or version, and tv::Error with the
// parser's message for a broken file.
void LoadParamFile(TDataGenJob &Job, const QString &Path);

// The template names found in DATAGEN (upper case unless UseLowerName is
// on), after an empty first entry.
QStringList TemplateNames(bool UseLowerName);
// Loads the template files of every テンプレート rule (names matched
// without regard to case); a file that cannot be read leaves its list as
// it was.
void LoadTemplates(TDataGenJob &Job);
