#pragma once
// TTemplateFile: one SQL reference file (".tpl") in memory.
//
// A line beginning with "%%%" opens a category (its name from the fourth
// character on); a line beginning with "【 " is an entry header, the entry's
// name the text between "【 " and the first " 】" (empty without one). An
// entry's body is every line after its header up to the next header or
// category line. In a body, "<" + name + ">" refers to another entry, whose
// text is shown after the entry's own. Names are looked up without regard to
// case; with duplicates the first entry counts.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class TTemplateFile {
public:
    // Reads the file: by its byte-order mark, else as the ANSI code page.
    // False, with the reason in *error, when it cannot be read.
    bool LoadFromFile(const QString &path, QString *error);
    void SetLines(const QStringList &lines);
    const QStringList &Lines() const { return FTplData; }

    // The tree the file describes, in line order: categories with their
    // entries; entries before the first category stand alone at the top.
    struct TNode {
        QString Text;
        int Line = -1;       // the category or header line
        bool Category = false;
        QList<TNode> Children;
    };
    QList<TNode> BuildTree() const;

    // The header line of the entry of that name (case ignored), -1 when none.
    int IndexOf(const QString &name) const;
    // The entry at header line `line` followed by the entries it refers to,
    // directly or through others, in depth-first order of first mention, each
    // once (so cycles end): their header lines.
    QList<int> CollectEntry(int line) const;
    // The lines shown for the entry of that name: each collected entry's
    // header line and body. Empty for a name without entry.
    QStringList GetEntryText(const QString &name) const;

    static bool IsCategoryLine(const QString &line) { return line.startsWith(QLatin1String("%%%")); }
    static bool IsHeaderLine(const QString &line) { return line.startsWith(QStringLiteral("【 ")); }
    static QString HeaderName(const QString &line);

private:
    // First body line and the line after the body of the entry at `line`.
    int BodyEnd(int line) const;

    QStringList FTplData;
    QHash<QString, int> FIndex; // lower-case name -> header line
    QList<int> FBodyEnd;        // per line: end of the body that starts after it (headers only)
};
