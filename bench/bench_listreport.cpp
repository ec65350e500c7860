// The object-list report: 10,000 selected objects (2 types x 5 schemas) sorted,
// grouped into sheets and written up to the renamed .xlsx, with the peak
// memory; 2,500 and 5,000 objects show how the time grows. The definition
// places the sequence, name, schema, owner and comment of each object over
// two rows.
#include "BenchSupport.h"
#include "shell/ObjectListReport.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

int ItemIndex(const QString &key)
{
    static const QStringList keys{"OBJECT", "TABLE", "VIEW", "INDEX", "OBJECTTYPE", "SEQ", "OBJECTNAME", "SCHEMA",
                                  "CREATEDATE", "UPDATEDATE", "MAKER", "COMMENT"};
    return int(keys.indexOf(key));
}

void BM_OutputListReport(benchmark::State &state)
{
    const int count = int(state.range(0));
    QList<TListReportObject> objects;
    for (int i = 0; i < count; ++i)
        objects.append({i % 2 ? QStringLiteral("VIEW") : QStringLiteral("TABLE"),
                        QStringLiteral("schema_%1").arg(i % 5), QStringLiteral("object_%1").arg(count - i, 6, 10, QChar('0')),
                        QStringLiteral("owner"), QStringLiteral("コメント %1").arg(i)});
    TReportDefinition def;
    def.BodyTop = 5;
    def.BodyCount = 10;
    def.Header = {{"OBJECTTYPE", 1, 1}, {"SCHEMA", 2, 1}};
    def.Body = {{"SEQ", 1, 1}, {"OBJECTNAME", 1, 2}, {"SCHEMA", 1, 3}, {"MAKER", 2, 2}, {"COMMENT", 2, 3}};
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("list.xlsx"));
    for (auto _ : state)
        WriteListReport(def, objects, ItemIndex, target);
    state.counters["objects"] = count;
    state.counters["peak_rss_MB"] = double(tvbench::peakRssBytes()) / (1024.0 * 1024.0);
    state.counters["file_KB"] = double(QFile(target).size()) / 1024.0;
}
BENCHMARK(BM_OutputListReport)->Arg(2500)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv);
}
