#include "sql/RepData.h"

#include "shell/ReportDefinition.h"
#include "sql/XlsDefinition.h"

namespace {

std::array<TRepDataItem, kRepDataCount> MakeItems()
{
    std::array<TRepDataItem, kRepDataCount> items;
    auto set = [&](TtvRepData d, const char *caption, const QString &key) {
        items[d] = {QString::fromUtf8(caption), key};
    };
    const QString object = QStringLiteral("OBJECT"), type = QStringLiteral("TYPE"), name = QStringLiteral("NAME"),
                  table = QStringLiteral("TABLE"), storage = QStringLiteral("STORAGE"),
                  cross = QStringLiteral("CROSS"), view = QStringLiteral("VIEW"), index = QStringLiteral("INDEX"),
                  column = QStringLiteral("COLUMN"), constraint = QStringLiteral("CONST");
    set(rtObject, "オブジェクト一覧", object);
    set(rtTable, "テーブル定義", table);
    set(rtView, "ビュー定義", view);
    set(rtIndex, "インデックス定義", index);
    set(rtObjectType, "オブジェクトタイプ", object + type);
    set(rtSeq, "連番", QStringLiteral("SEQ"));
    set(rtObjectName, "オブジェクト名", object + name);
    set(rtSchema, "スキーマ", QStringLiteral("SCHEMA"));
    set(rtMaker, "作成者", QStringLiteral("MAKER"));
    set(rtComment, "コメント", QStringLiteral("COMMENT"));
    set(rtTableName, "テーブル名", table + name);
    set(rtStorageType, "格納タイプ", storage + type);
    set(rtTableSpace, "表領域名", storage);
    set(rtCross, "参照", cross);
    set(rtCoverCross, "被参照", QStringLiteral("COVER") + cross);
    set(rtViewName, "ビュー名", view + name);
    set(rtDDL, "DDL文", QStringLiteral("DDL"));
    set(rtIndexName, "インデックス名", index + name);
    set(rtIndexType, "インデックスタイプ", index + type);
    set(rtColumnName, "カラム名", column + name);
    set(rtDataType, "データ型", QStringLiteral("DTYPE"));
    set(rtDataLength, "長さ", QStringLiteral("LENGTH"));
    set(rtDataScale, "精度", QStringLiteral("SCALE"));
    set(rtNotNull, "必須", QStringLiteral("NOTNULL"));
    set(rtDefaultValue, "デフォルト値", QStringLiteral("DEFAULT"));
    set(rtIsPrimaryKey, "主キー", QStringLiteral("PK"));
    set(rtConstName, "制約・索引名", constraint + name);
    set(rtConstValue, "制約・索引情報", constraint + QStringLiteral("VALUE"));
    return items;
}

} // namespace

const std::array<TRepDataItem, kRepDataCount> &RepDataItems()
{
    static const std::array<TRepDataItem, kRepDataCount> items = MakeItems();
    return items;
}

TtvRepData FindRepData(const QString &Text, int Index)
{
    const auto &items = RepDataItems();
    for (int i = 0; i < kRepDataCount; ++i)
        if ((Index == 0 ? items[i].Caption : items[i].Key) == Text)
            return TtvRepData(i);
    return rtObject;
}

int RepDataIndexOfKey(const QString &key)
{
    const auto &items = RepDataItems();
    for (int i = 0; i < kRepDataCount; ++i)
        if (items[i].Key == key)
            return i;
    return -1;
}

void RegisterReportItems()
{
    TReportServices services;
    services.ItemIndex = [](const QString &key) { return RepDataIndexOfKey(key); };
    services.Read = [](const QString &path) { return xlsdef::ReadDefinition(path); };
    RegisterReportServices(services);
}
