#include "tools/recordreader.h"

#include "store/text.h"

#include <QList>

#include <cstring>

#include <string_view>

namespace tools {

namespace {

std::string_view view(QByteArrayView bytes)
{
    return {bytes.data(), static_cast<size_t>(bytes.size())};
}

bool isBlankBytes(QByteArrayView bytes)
{
    return store::trimSpaces(view(bytes)).empty();
}

// Reads CSV fields out of one line; used only to recognise a header.
QList<QByteArray> splitCsvLine(QByteArrayView line)
{
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.isEmpty()) {
            quoted = true;
        } else if (c == ',') {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

int columnNamed(const QList<QByteArray> &header, const char *name)
{
    for (qsizetype i = 0; i < header.size(); ++i) {
        if (header.at(i).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

QByteArrayView firstLine(QByteArrayView data)
{
    const qsizetype end = data.indexOf('\n');
    QByteArrayView line = end < 0 ? data : data.first(end);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArrayView withoutBom(QByteArrayView data)
{
    return data.startsWith("\xEF\xBB\xBF") ? data.sliced(3) : data;
}

} // namespace

InputFormat detectFormat(const QString &path, QByteArrayView data)
{
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return InputFormat::Csv;
    const QByteArrayView line = firstLine(withoutBom(data));
    if (line.contains('\t'))
        return InputFormat::Tsv;
    const QList<QByteArray> header = splitCsvLine(line);
    return columnNamed(header, "acronym") >= 0 && columnNamed(header, "definition") >= 0
               ? InputFormat::Csv
               : InputFormat::Tsv;
}

bool isValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        // Most dictionary text is ASCII: pass it eight bytes at a time.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, sizeof word);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        unsigned int lowest = 0;
        unsigned int code = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            lowest = 0x80;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            lowest = 0x800;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            lowest = 0x10000;
            code = c & 0x07;
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += length;
    }
    return true;
}

RecordReader::RecordReader(QByteArrayView data, InputFormat format)
    : m_data(data)
    , m_format(format)
{
    if (m_data.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
    if (m_format == InputFormat::Csv)
        readCsvHeader();
}

bool RecordReader::next(InputRecord &record)
{
    return m_format == InputFormat::Tsv ? nextTsv(record) : nextCsv(record);
}

bool RecordReader::nextTsv(InputRecord &record)
{
    while (m_pos < m_data.size()) {
        const qsizetype end = m_data.indexOf('\n', m_pos);
        const qsizetype stop = end < 0 ? m_data.size() : end;
        QByteArrayView line = m_data.sliced(m_pos, stop - m_pos);
        m_pos = end < 0 ? m_data.size() : end + 1;
        const qint64 number = m_line++;
        // Files written on Windows end their lines with CR LF.
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.front() == '#' || line.front() == '$')
            continue;

        record.line = number;
        record.problem.clear();
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0) {
            record.acronym.clear();
            record.definition.clear();
            record.problem = QStringLiteral("no tab between acronym and definition");
            return true;
        }
        record.acronym = QByteArray::fromRawData(line.data(), tab);
        record.definition = QByteArray::fromRawData(line.data() + tab + 1, line.size() - tab - 1);
        check(record);
        return true;
    }
    return false;
}

void RecordReader::readCsvHeader()
{
    QList<QByteArray> header;
    QString problem;
    if (!readCsvFields(header, problem))
        return;
    const int acronym = columnNamed(header, "acronym");
    const int definition = columnNamed(header, "definition");
    // A header that names neither column still heads the file; the first two
    // columns then hold the acronym and the definition.
    if (acronym >= 0 && definition >= 0) {
        m_acronymColumn = acronym;
        m_definitionColumn = definition;
    }
}

bool RecordReader::nextCsv(InputRecord &record)
{
    QList<QByteArray> fields;
    for (;;) {
        const qint64 number = m_line;
        QString problem;
        if (!readCsvFields(fields, problem))
            return false;
        if (problem.isEmpty() && fields.size() == 1 && fields.front().isEmpty())
            continue; // an empty line
        record.line = number;
        record.problem = problem;
        const int needed = qMax(m_acronymColumn, m_definitionColumn) + 1;
        if (record.problem.isEmpty() && fields.size() < needed)
            record.problem = QStringLiteral("%1 fields where %2 are needed").arg(fields.size()).arg(needed);
        record.acronym = fields.value(m_acronymColumn);
        record.definition = fields.value(m_definitionColumn);
        if (record.problem.isEmpty())
            check(record);
        return true;
    }
}

bool RecordReader::readCsvFields(QList<QByteArray> &fields, QString &problem)
{
    fields.clear();
    if (m_pos >= m_data.size())
        return false;
    QByteArray field;
    bool quoted = false;
    bool wasQuoted = false;
    while (m_pos < m_data.size()) {
        const char c = m_data[m_pos++];
        if (quoted) {
            if (c == '"') {
                if (m_pos < m_data.size() && m_data[m_pos] == '"') {
                    field += '"';
                    ++m_pos;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n')
                    ++m_line;
                field += c;
            }
            continue;
        }
        if (c == '"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields.append(field);
            field.clear();
            wasQuoted = false;
        } else if (c == '\n') {
            ++m_line;
            if (!wasQuoted && field.endsWith('\r'))
                field.chop(1);
            fields.append(field);
            return true;
        } else if (c == '\r' && wasQuoted) {
            // the CR of a CR LF after a closing quote
        } else {
            field += c;
        }
    }
    if (quoted)
        problem = QStringLiteral("a quoted field is not closed");
    fields.append(field);
    return true;
}

void RecordReader::check(InputRecord &record)
{
    if (!isValidUtf8(record.acronym) || !isValidUtf8(record.definition))
        record.problem = QStringLiteral("not valid UTF-8 text");
    else if (isBlankBytes(record.acronym))
        record.problem = QStringLiteral("empty acronym");
    else if (isBlankBytes(record.definition))
        record.problem = QStringLiteral("empty definition");
}

} // namespace tools
