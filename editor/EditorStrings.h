#pragma once
// TEditorStrings: the Lines facade of an editor. Items are logical lines;
// with word wrap one line may take several display rows of the row store.
// Every item change is one ReplaceText of the row store (undoable, painted
// like typing); setting the whole Text is not undoable and empties the undo
// lists. Rows never hold CR or LF: every text is split at CR LF, LF or CR.
//
// Files go through the platform's text encodings: LoadFromFile decides the
// encoding by the byte-order mark, else the ANSI code page (CP932) or the
// encoding given; SaveToFile writes the text with CR LF line ends, or LF
// alone when LineBreakLF is set.
#include "platform/text/TextEncoding.h"
#include <QString>
#include <QStringList>

class TEditor;

class TEditorStrings {
public:
    explicit TEditorStrings(TEditor *Editor) : FEditor(Editor) {}
    virtual ~TEditorStrings() = default;

    int Count() const;
    // First row of logical line Index (the row count for Index = Count; a
    // larger index raises the list-index error).
    int LineToRow(int Index) const;
    QString Get(int Index) const;
    QString operator[](int Index) const { return Get(Index); }
    void Put(int Index, const QString &S);
    void Insert(int Index, const QString &S);
    // Returns the previous Count.
    int Add(const QString &S);
    void Delete(int Index);
    void Clear();
    QString Text() const;
    void SetText(const QString &Value);
    QStringList ToStringList() const;
    // Text := the lines, then the caret to the end.
    void Assign(const QStringList &Source);

    // Reads the file (BOM, else Fallback); raises EEditorError with the
    // system's reason when it cannot be read, leaving the text as it was.
    void LoadFromFile(const QString &FileName, tv::text::Encoding Fallback = tv::text::Encoding::Ansi);
    // Writes the text; raises EEditorError when it cannot be written (the
    // old file is kept).
    void SaveToFile(const QString &FileName, tv::text::Encoding Encoding = tv::text::Encoding::Ansi,
                    bool WriteBom = false) const;
    // Line ends written by SaveToFile: LF alone instead of CR LF.
    bool LineBreakLF() const { return FLineBreakLF; }
    void SetLineBreakLF(bool V) { FLineBreakLF = V; }
    // The encoding of the last LoadFromFile.
    tv::text::Encoding LoadedEncoding() const { return FLoadedEncoding; }

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

private:
    void SetUpdateState(bool Updating);
    int LastRowOf(int Index) const;

    TEditor *FEditor;
    int FUpdateCount = 0;
    bool FLineBreakLF = false;
    tv::text::Encoding FLoadedEncoding = tv::text::Encoding::Ansi;
};
