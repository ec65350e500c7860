#pragma once
// Ordered list of (object name, alias) pairs filled by the statement parser.
#include <QString>
#include <vector>

struct TtvParseItem {
    QString FObjectName;
    QString FAlias;
};

class TtvParseList {
public:
    TtvParseList() = default;
    ~TtvParseList() { Clear(); }
    TtvParseList(const TtvParseList &) = default;
    TtvParseList &operator=(const TtvParseList &) = default;

    // Appends a pair; returns its index.
    int Add(const QString &AObjectName, const QString &AAlias);
    // Inserts a pair at Index (0..Count); later items move up by one.
    void Insert(int Index, const QString &AObjectName, const QString &AAlias);
    void Delete(int Index);
    void Clear();
    // First item whose name and alias both equal the arguments exactly; -1 when none.
    int IndexOf(const QString &AObjectName, const QString &AAlias) const;

    QString GetObjectName(int Index) const;
    void SetObjectName(int Index, const QString &Value);
    QString GetAlias(int Index) const;
    void SetAlias(int Index, const QString &Value);
    QString ObjectName(int Index) const { return GetObjectName(Index); }
    QString Alias(int Index) const { return GetAlias(Index); }

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }

private:
    void Grow();
    void CheckIndex(int Index) const;

    std::vector<TtvParseItem> FList;
    int FCount = 0;
    int FCapacity = 0;
};
