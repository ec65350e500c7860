#pragma once
// TSortedStringList: a list of texts kept sorted without regard to case, with
// duplicates (in any case) ignored. Used for reserved words and file
// extensions. Changing it notifies no one.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

class TSortedStringList {
public:
    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    // The entry at Index; raises EStringListError outside 0 .. Count - 1.
    const QString &Strings(int Index) const;
    const QString &operator[](int Index) const { return Strings(Index); }

    // Inserts S at its sorted place; a duplicate is ignored. Returns the index
    // of the entry equal to S.
    int Add(const QString &S);
    // Binary search without regard to case: true when found; Index is the
    // entry's index, or where S would be inserted.
    bool Find(QStringView S, int &Index) const;
    int IndexOf(QStringView S) const;
    void Delete(int Index);
    void Clear() { FItems.clear(); }

    void Assign(const TSortedStringList &Source) { FItems = Source.FItems; }
    void SetStrings(const QStringList &Strings);
    QStringList ToStringList() const;
    // Lines separated by CR LF (each line followed by CR LF).
    QString Text() const;
    void SetText(const QString &Text);

    bool operator==(const TSortedStringList &o) const { return FItems == o.FItems; }

private:
    std::vector<QString> FItems;
};
