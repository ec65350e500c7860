#include "XlsxBook.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <zlib.h>

namespace tvtest {

namespace {

quint32 le32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 le16(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

bool inflateRaw(const QByteArray &in, qsizetype size, QByteArray *out)
{
    out->resize(size);
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return false;
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    zs.avail_in = uInt(in.size());
    zs.next_out = reinterpret_cast<Bytef *>(out->data());
    zs.avail_out = uInt(size);
    const int rc = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    return rc == Z_STREAM_END && qsizetype(zs.total_out) == size;
}

// "B3" → row 3, column 2.
bool parseRef(const QString &ref, int *row, int *col)
{
    int c = 0, i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i)
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
    bool ok = false;
    *row = ref.mid(i).toInt(&ok);
    *col = c;
    return ok && c > 0;
}

QString builtinFormat(int id)
{
    switch (id) {
    case 0: return QStringLiteral("General");
    case 49: return QStringLiteral("@");
    default: return QStringLiteral("builtin:%1").arg(id);
    }
}

} // namespace

bool XlsxBook::open(const QString &path, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open ") + path);
    const QByteArray zip = f.readAll();
    // End of central directory (zip64 not needed for test-sized books).
    qsizetype eocd = -1;
    for (qsizetype i = zip.size() - 22; i >= 0 && i >= zip.size() - 65557; --i)
        if (le32(zip, i) == 0x06054b50) {
            eocd = i;
            break;
        }
    if (eocd < 0)
        return fail(QStringLiteral("no zip directory"));
    const int entries = le16(zip, eocd + 10);
    qsizetype p = le32(zip, eocd + 16);
    for (int e = 0; e < entries; ++e) {
        if (p + 46 > zip.size() || le32(zip, p) != 0x02014b50)
            return fail(QStringLiteral("bad central directory"));
        const int method = le16(zip, p + 10);
        const quint32 csize = le32(zip, p + 20), usize = le32(zip, p + 24);
        const int nlen = le16(zip, p + 28), xlen = le16(zip, p + 30), clen = le16(zip, p + 32);
        const quint32 local = le32(zip, p + 42);
        const QString name = QString::fromUtf8(zip.mid(p + 46, nlen));
        p += 46 + nlen + xlen + clen;
        if (le32(zip, local) != 0x04034b50)
            return fail(QStringLiteral("bad local header"));
        const qsizetype data = local + 30 + le16(zip, local + 26) + le16(zip, local + 28);
        const QByteArray raw = zip.mid(data, csize);
        QByteArray content;
        if (method == 0)
            content = raw;
        else if (method != 8 || !inflateRaw(raw, usize, &content))
            return fail(QStringLiteral("cannot inflate ") + name);
        m_parts.insert(name, content);
    }

    // Shared strings.
    {
        QXmlStreamReader x(part(QStringLiteral("xl/sharedStrings.xml")));
        QString cur;
        bool in = false;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("si")) {
                in = true;
                cur.clear();
            } else if (in && x.isStartElement() && x.name() == QLatin1String("t")) {
                cur += x.readElementText();
            } else if (x.isEndElement() && x.name() == QLatin1String("si")) {
                in = false;
                m_shared.append(cur);
            }
        }
    }
    // Styles: the number format, rotation and borders of each cell style.
    {
        QXmlStreamReader x(part(QStringLiteral("xl/styles.xml")));
        bool inXfs = false, inBorder = false;
        QMap<QString, QString> sides;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("border")) {
                inBorder = true;
                sides.clear();
            } else if (inBorder && x.isStartElement()) {
                sides.insert(x.name().toString(), x.attributes().value(QLatin1String("style")).toString());
            } else if (x.isEndElement() && x.name() == QLatin1String("border")) {
                inBorder = false;
                QString all = sides.value(QStringLiteral("left"));
                for (const char *side : {"right", "top", "bottom"})
                    if (sides.value(QLatin1String(side)) != all)
                        all.clear();
                m_borders.append(all);
            } else if (inXfs && x.isStartElement() && x.name() == QLatin1String("alignment")) {
                if (!m_xfRotation.isEmpty())
                    m_xfRotation.last() = x.attributes().value(QLatin1String("textRotation")).toInt();
            } else if (x.isStartElement() && x.name() == QLatin1String("numFmt"))
                m_numFmts.insert(x.attributes().value(QLatin1String("numFmtId")).toInt(),
                                 x.attributes().value(QLatin1String("formatCode")).toString());
            else if (x.isStartElement() && x.name() == QLatin1String("cellXfs"))
                inXfs = true;
            else if (x.isEndElement() && x.name() == QLatin1String("cellXfs"))
                inXfs = false;
            else if (inXfs && x.isStartElement() && x.name() == QLatin1String("xf")) {
                m_xfNumFmt.append(x.attributes().value(QLatin1String("numFmtId")).toInt());
                m_xfRotation.append(0);
                m_xfBorder.append(x.attributes().value(QLatin1String("borderId")).toInt());
            }
        }
    }
    // Sheets in workbook order, through the relationships.
    QMap<QString, QString> rels;
    {
        QXmlStreamReader x(part(QStringLiteral("xl/_rels/workbook.xml.rels")));
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("Relationship"))
                rels.insert(x.attributes().value(QLatin1String("Id")).toString(),
                            x.attributes().value(QLatin1String("Target")).toString());
        }
    }
    QStringList targets;
    {
        QXmlStreamReader x(part(QStringLiteral("xl/workbook.xml")));
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("sheet")) {
                m_names.append(x.attributes().value(QLatin1String("name")).toString());
                QString id;
                for (const auto &a : x.attributes())
                    if (a.name() == QLatin1String("id"))
                        id = a.value().toString();
                QString t = rels.value(id);
                targets.append(t.startsWith(u'/') ? t.mid(1) : QStringLiteral("xl/") + t);
            }
        }
    }
    if (m_names.isEmpty())
        return fail(QStringLiteral("no sheets"));
    for (const QString &t : targets) {
        Sheet s;
        QXmlStreamReader x(part(t));
        XlsxCell cur;
        int r = 0, c = 0;
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement()) {
                if (x.isEndElement() && x.name() == QLatin1String("c")) {
                    if (cur.type == QLatin1String("s"))
                        cur.value = m_shared.value(cur.value.toInt());
                    s.cells.insert(qint64(r) << 20 | c, cur);
                }
                continue;
            }
            const auto n = x.name();
            const auto a = x.attributes();
            if (n == QLatin1String("col")) {
                const int mn = a.value(QLatin1String("min")).toInt(), mx = a.value(QLatin1String("max")).toInt();
                for (int k = mn; k <= mx && k - mn < 100; ++k) {
                    s.widths.insert(k, a.value(QLatin1String("width")).toDouble());
                    if (a.hasAttribute(QLatin1String("style")))
                        s.colFormats.insert(k, formatOf(a.value(QLatin1String("style")).toInt()));
                }
            } else if (n == QLatin1String("row")) {
                if (a.hasAttribute(QLatin1String("s")) && a.value(QLatin1String("customFormat")) == QLatin1String("1"))
                    s.rowFormats.insert(a.value(QLatin1String("r")).toInt(), formatOf(a.value(QLatin1String("s")).toInt()));
            } else if (n == QLatin1String("c")) {
                cur = XlsxCell();
                cur.exists = true;
                parseRef(a.value(QLatin1String("r")).toString(), &r, &c);
                cur.type = a.value(QLatin1String("t")).toString();
                const int style = a.value(QLatin1String("s")).toInt();
                cur.format = formatOf(style);
                cur.rotation = m_xfRotation.value(style);
                cur.border = m_borders.value(m_xfBorder.value(style));
            } else if (n == QLatin1String("v")) {
                cur.value = x.readElementText();
            } else if (n == QLatin1String("t") && cur.type == QLatin1String("inlineStr")) {
                cur.value += x.readElementText();
            }
        }
        if (x.hasError())
            return fail(QStringLiteral("bad sheet XML: ") + x.errorString());
        m_sheets.append(s);
    }
    return true;
}

QString XlsxBook::formatOf(int style) const
{
    const int id = m_xfNumFmt.value(style, 0);
    return m_numFmts.contains(id) ? m_numFmts.value(id) : builtinFormat(id);
}

XlsxCell XlsxBook::cell(int sheet, int row, int col) const
{
    if (sheet < 0 || sheet >= m_sheets.size())
        return {};
    return m_sheets[sheet].cells.value(qint64(row) << 20 | col);
}

std::pair<int, int> XlsxBook::extent(int sheet) const
{
    int mr = 0, mc = 0;
    if (sheet >= 0 && sheet < m_sheets.size())
        for (auto it = m_sheets[sheet].cells.cbegin(); it != m_sheets[sheet].cells.cend(); ++it) {
            mr = std::max(mr, int(it.key() >> 20));
            mc = std::max(mc, int(it.key() & 0xFFFFF));
        }
    return {mr, mc};
}

double XlsxBook::columnWidth(int sheet, int col) const
{
    return sheet < m_sheets.size() ? m_sheets[sheet].widths.value(col) : 0;
}

QString XlsxBook::columnFormat(int sheet, int col) const
{
    return sheet < m_sheets.size() ? m_sheets[sheet].colFormats.value(col) : QString();
}

QString XlsxBook::rowFormat(int sheet, int row) const
{
    return sheet < m_sheets.size() ? m_sheets[sheet].rowFormats.value(row) : QString();
}

} // namespace tvtest
