#pragma once
// Report items: the values an Excel report can place in a cell. Each item
// has a fixed number, a caption shown in the definition editor and a key
// written into definition files. The first three also name the report
// types (object list, table definition, view definition).
#include <QString>

#include <array>

enum TtvRepData {
    rtObject, rtTable, rtView, rtIndex, rtObjectType, rtSeq, rtObjectName, rtSchema, rtCreateDate,
    rtUpdateDate, rtMaker, rtComment, rtTableName, rtStorageType, rtTableSpace, rtLogging, rtPctFree,
    rtPctUsed, rtIniTrans, rtMaxTrans, rtInitExtent, rtNextExtent, rtPctIncrease, rtMinExtent, rtMaxExtent,
    rtFreeLists, rtFreeGroup, rtBufferPool, rtCache, rtPartitionKey, rtInherits, rtWith, rtCross, rtCoverCross,
    rtRowMovement, rtViewName, rtDDL, rtIndexName, rtIndexType, rtColumnName, rtDataType, rtDataLength,
    rtDataScale, rtNotNull, rtDefaultValue, rtIsPrimaryKey, rtConstName, rtConstValue, rtIndexStatus,
    rtIndexMonStart, rtIndexMonEnd, rtIndexUsed
};
constexpr int kRepDataCount = rtIndexUsed + 1;

struct TRepDataItem {
    QString Caption;
    QString Key;
};

// The caption and key of every item (empty for the items no report places).
const std::array<TRepDataItem, kRepDataCount> &RepDataItems();

// The first item (in enumeration order) whose caption (Index 0) or key
// (Index 1) equals Text exactly; rtObject when none does.
TtvRepData FindRepData(const QString &Text, int Index);
// The item of a key, -1 when no item has it.
int RepDataIndexOfKey(const QString &key);

// Where a report writer puts one item.
struct TColRec {
    qint32 Row = 0;
    qint32 Col = 0;
    TtvRepData Val = rtObject;
};

// Registers the report items and the definition reader for the shell and
// the windows above it.
void RegisterReportItems();
