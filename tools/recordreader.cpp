#include "tools/recordreader.h"

#include "store/text.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QList>
#include <QStringDecoder>

#include <cstring>
#include <string_view>

namespace tools {

namespace {

constexpr qint64 kBlock = 1 << 20;

std::string_view view(QByteArrayView bytes)
{
    return {bytes.data(), static_cast<size_t>(bytes.size())};
}

bool isBlankBytes(QByteArrayView bytes)
{
    return store::trimSpaces(view(bytes)).empty();
}

// Lines the tab-separated format leaves out: blank ones, '#' comments and
// '$' tags (the BSD files start with a version control tag).
bool isSkippedInTsv(QByteArrayView line)
{
    return isBlankBytes(line) || line.front() == '#' || line.front() == '$';
}

// The separator a first line sep=X names, as Excel reads it.
std::optional<char> separatorLine(QByteArrayView line)
{
    // strchr finds the terminating NUL too, so NUL is no separator either.
    if (line.size() != 5 || !line.startsWith("sep=") || std::strchr("\" \r\n", line.back()) != nullptr)
        return std::nullopt;
    return line.back();
}

// Commas, unless the header row has none outside quotes but a semicolon.
char separatorOfHeader(QByteArrayView line)
{
    bool quoted = false;
    bool semicolon = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            return ',';
        else if (!quoted && c == ';')
            semicolon = true;
    }
    return semicolon ? ';' : ',';
}

QByteArray trimmedName(const QByteArray &name)
{
    const std::string_view trimmed = store::trimSpaces(view(name));
    return QByteArray(trimmed.data(), static_cast<qsizetype>(trimmed.size()));
}

const char *const kAcronymNames[] = {"acronym", "abbreviation", "term", "title"};
const char *const kDefinitionNames[] = {"definition", "meaning", "description", "expansion"};

template<size_t N>
bool isOneOf(const QByteArray &field, const char *const (&names)[N])
{
    const QByteArray name = trimmedName(field);
    for (const char *candidate : names) {
        if (name.compare(candidate, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString quotedList(const QList<QByteArray> &names)
{
    QStringList quoted;
    for (const QByteArray &name : names)
        quoted << QLatin1Char('"') + QString::fromUtf8(trimmedName(name)) + QLatin1Char('"');
    return quoted.join(QLatin1String(", "));
}

// A spreadsheet runs a cell that starts with one of these as a formula.
bool startsLikeAFormula(QByteArrayView cell)
{
    return !cell.isEmpty() && std::strchr("=+-@", cell.front()) != nullptr && cell.front() != '\0';
}

// Into the bytes target holds already: a record read after record reuses
// their memory.
void copyInto(QByteArray &target, QByteArrayView source)
{
    target.resize(source.size());
    if (!source.isEmpty())
        std::memcpy(target.data(), source.data(), static_cast<size_t>(source.size()));
}

// The export writes such a cell after an apostrophe; one is taken off here.
void unguardFormula(QByteArray &cell)
{
    qsizetype quotes = 0;
    while (quotes < cell.size() && cell.at(quotes) == '\'')
        ++quotes;
    if (quotes > 0 && startsLikeAFormula(QByteArrayView(cell).sliced(quotes)))
        cell.remove(0, 1);
}

} // namespace

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

// The input as UTF-8 bytes, read a block at a time into one buffer; the
// bytes before start are let go whenever a new record begins.
class RecordReader::Source
{
public:
    Source(QIODevice &device, const QString &name)
        : m_device(device)
        , m_name(name)
        , m_size(device.isSequential() ? -1 : device.size())
    {}

    // Appends the next block to buf; false at the end of the input.
    bool more()
    {
        if (m_ended)
            return false;
        // Read straight onto the end of the buffer; decoded text is the
        // rare case and takes a detour.
        const qsizetype before = buf.size();
        buf.resize(before + kBlock);
        const qint64 got = m_device.read(buf.data() + before, kBlock);
        buf.truncate(before + qMax<qint64>(got, 0));
        if (got < 0)
            throw ImportRefused(QStringLiteral("%1: %2").arg(m_name, m_device.errorString()).toStdString());
        if (got == 0) {
            m_ended = true;
            // A file that shrank under us: what is missing cannot be known.
            if (m_size >= 0 && m_read < m_size)
                throw ImportRefused(QStringLiteral("%1 got shorter while it was read (%2 of %3 bytes); "
                                                   "nothing was imported")
                                        .arg(m_name)
                                        .arg(m_read)
                                        .arg(m_size)
                                        .toStdString());
            // The decoder keeps an odd last byte to itself, and a character
            // beyond U+FFFF is held back until its second half comes.
            if (m_decoder && (m_read % 2 != 0 || !m_high.isNull()))
                throw ImportRefused(QStringLiteral("%1 ends in the middle of a character (UTF-16, at byte offset %2 of "
                                                   "%3 bytes): it looks cut short; nothing was imported")
                                        .arg(m_name)
                                        .arg(m_high.isNull() ? m_read - 1 : m_highOffset)
                                        .arg(m_read)
                                        .toStdString());
            return false;
        }
        const bool first = m_read == 0;
        m_read += got;
        if (first)
            startDecoding(before);
        if (m_decoder) {
            QString text = m_decoder->decode(QByteArrayView(buf).sliced(m_decodeFrom));
            if (m_decoder->hasError())
                throw ImportRefused(
                    QStringLiteral("%1 is not valid UTF-16 text; nothing was imported").arg(m_name).toStdString());
            pairSurrogates(text);
            buf.truncate(m_decodeFrom);
            buf += text.toUtf8();
            m_decodeFrom = buf.size();
        }
        return true;
    }

    // Makes sure buf holds the byte at index i; false when the input ends
    // before it.
    bool has(qsizetype i)
    {
        while (i >= buf.size()) {
            if (!more())
                return false;
        }
        return true;
    }

    // Lets go of the bytes before start.
    void compact()
    {
        if (start >= kBlock) {
            buf.remove(0, start);
            m_decodeFrom -= qMin(m_decodeFrom, start);
            start = 0;
        }
    }

    qint64 read() const { return m_read; }
    qint64 size() const { return m_size; }

    QByteArray buf;
    qsizetype start = 0; // where the next record begins

private:
    // The decoder passes half characters through, which would become '?'
    // in UTF-8: a pair that one block ends between is joined, a half
    // without its pair refuses the input.
    void pairSurrogates(QString &text)
    {
        qint64 unit = m_units; // the input's UTF-16 unit at text[0]
        m_units += text.size();
        if (!m_high.isNull()) {
            text.prepend(m_high);
            m_high = QChar();
            --unit;
        }
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!text.at(i).isSurrogate())
                continue;
            const qint64 offset = 2 + 2 * (unit + i); // after the byte order mark
            if (text.at(i).isHighSurrogate()) {
                if (i + 1 == text.size()) {
                    m_high = text.at(i);
                    m_highOffset = offset;
                    text.chop(1);
                    return;
                }
                if (text.at(i + 1).isLowSurrogate()) {
                    ++i;
                    continue;
                }
            }
            throw ImportRefused(QStringLiteral("%1 is not valid UTF-16 text (half a character at byte offset %2); "
                                               "nothing was imported")
                                    .arg(m_name)
                                    .arg(offset)
                                    .toStdString());
        }
    }

    void startDecoding(qsizetype from)
    {
        const QByteArrayView head = QByteArrayView(buf).sliced(from);
        if (head.startsWith("\xEF\xBB\xBF")) {
            buf.remove(from, 3);
        } else if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
            m_decoder.emplace(head.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
            buf.remove(from, 2);
            m_decodeFrom = from;
        }
    }

    QIODevice &m_device;
    QString m_name;
    qint64 m_size;
    qint64 m_read = 0;
    bool m_ended = false;
    std::optional<QStringDecoder> m_decoder;
    qsizetype m_decodeFrom = 0; // where the undecoded bytes begin
    qint64 m_units = 0; // UTF-16 units decoded so far
    QChar m_high; // the first half of a character whose second is still to come
    qint64 m_highOffset = 0;
};

RecordReader::RecordReader(QIODevice &input, const QString &name, const ReaderOptions &options)
    : m_source(std::make_unique<Source>(input, name))
    , m_name(name)
    , m_options(options)
{
    Source &source = *m_source;
    if (!source.has(0))
        throw ImportRefused(QStringLiteral("%1 is empty; nothing was imported").arg(name).toStdString());

    const qsizetype sniffed = qMin<qsizetype>(source.buf.size(), 1 << 16);
    if (std::memchr(source.buf.constData(), '\0', static_cast<size_t>(sniffed)) != nullptr)
        throw ImportRefused(
            QStringLiteral("%1 is not a text file (it holds NUL bytes); nothing was imported").arg(name).toStdString());
    const Guess guess = lookAtTheStart();
    if (options.format) {
        m_format = *options.format;
    } else if (name.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        m_format = InputFormat::Csv;
    } else if (!options.acronymColumn.isEmpty() || !options.definitionColumn.isEmpty()
               || !options.extraColumns.isEmpty()) {
        m_format = InputFormat::Csv; // only CSV has named columns
    } else if (name.endsWith(QLatin1String(".tsv"), Qt::CaseInsensitive)) {
        m_format = InputFormat::Tsv;
    } else if (guess.separatorLine || guess.separated > guess.tabbed
               || (guess.separated == guess.tabbed && guess.firstSeparated)) {
        m_format = InputFormat::Csv;
    }
    if (m_format == InputFormat::Tsv && guess.tabbed == 0 && guess.semicolons > 0
        && guess.semicolons == guess.separated)
        throw ImportRefused(QStringLiteral("%1 looks separated by semicolons, not by tabs; a name ending in .csv "
                                           "reads it as CSV. Nothing was imported")
                                .arg(name)
                                .toStdString());
    if (m_format == InputFormat::Csv)
        readCsvHeader();
}

RecordReader::~RecordReader() = default;

RecordReader::Guess RecordReader::lookAtTheStart()
{
    // A few lines tell; one could be a stray. Bounded, so that the guess
    // costs nothing however long the lines.
    constexpr int kLines = 20;
    constexpr qsizetype kBytes = 1 << 16;
    Source &source = *m_source;
    Guess guess;
    int counted = 0;
    qsizetype start = 0;
    for (qint64 number = 1; counted < kLines && start < kBytes && source.has(start); ++number) {
        qsizetype end = start;
        for (;;) {
            const char *data = source.buf.constData();
            const qsizetype size = source.buf.size();
            while (end < size && data[end] != '\n' && data[end] != '\r')
                ++end;
            if (end < size || end >= kBytes || !source.has(end))
                break;
        }
        const bool whole = end < source.buf.size();
        const QByteArrayView line = QByteArrayView(source.buf).sliced(start, end - start);
        if (whole) // a line cut short may end within a character
            checkText(line, number);
        if (number == 1 && separatorLine(line)) {
            guess.separatorLine = true;
            return guess;
        }
        if (!isSkippedInTsv(line)) {
            const bool separated = !line.contains('\t') && (line.contains(',') || line.contains(';'));
            if (separated) {
                ++guess.separated;
                if (!line.contains(','))
                    ++guess.semicolons;
            } else if (line.contains('\t')) {
                ++guess.tabbed;
            }
            if (counted++ == 0)
                guess.firstSeparated = separated;
        }
        if (!whole)
            break;
        const bool crlf = source.buf.at(end) == '\r' && source.has(end + 1) && source.buf.at(end + 1) == '\n';
        start = end + (crlf ? 2 : 1);
    }
    return guess;
}

qint64 RecordReader::position() const
{
    return m_source->read();
}

qint64 RecordReader::size() const
{
    return m_source->size();
}

void RecordReader::checkText(QByteArrayView bytes, qint64 line) const
{
    if (std::memchr(bytes.data(), '\0', static_cast<size_t>(bytes.size())) != nullptr)
        throw ImportRefused(QStringLiteral("%1 is not a text file (line %2 holds a NUL byte); nothing was imported")
                                .arg(m_name)
                                .arg(line)
                                .toStdString());
    if (!isValidUtf8(bytes))
        throw ImportRefused(QStringLiteral("%1 is not UTF-8 or UTF-16 text (line %2); convert it first, for "
                                           "example with iconv -f latin1 -t utf-8. Nothing was imported")
                                .arg(m_name)
                                .arg(line)
                                .toStdString());
}

void RecordReader::checkLength(qsizetype bytes, qint64 line) const
{
    if (bytes > m_options.maxRecordBytes)
        throw ImportRefused(QStringLiteral("%1: the record at line %2 is longer than %3 bytes, or the input never "
                                           "ends its line; nothing was imported")
                                .arg(m_name)
                                .arg(line)
                                .arg(m_options.maxRecordBytes)
                                .toStdString());
}

qsizetype RecordReader::lineEnd(qsizetype start, qsizetype &next)
{
    Source &source = *m_source;
    qsizetype i = start;
    for (;;) {
        if (!source.has(i)) {
            next = -1;
            return i;
        }
        const char *data = source.buf.constData();
        const qsizetype size = source.buf.size();
        while (i < size && data[i] != '\n' && data[i] != '\r')
            ++i;
        if (i < size)
            break;
        checkLength(i - start, m_line);
    }
    checkLength(i - start, m_line);
    // LF, CR LF, and a lone CR as old Macs wrote it, all end a line.
    if (source.buf.at(i) == '\r' && source.has(i + 1) && source.buf.at(i + 1) == '\n')
        next = i + 2;
    else
        next = i + 1;
    return i;
}

bool RecordReader::next(InputRecord &record)
{
    return m_format == InputFormat::Tsv ? nextTsv(record) : nextCsv(record);
}

bool RecordReader::nextTsv(InputRecord &record)
{
    Source &source = *m_source;
    for (;;) {
        source.compact();
        const qsizetype start = source.start;
        if (!source.has(start))
            return false;
        qsizetype next = 0;
        const qsizetype end = lineEnd(start, next);
        const QByteArrayView line = QByteArrayView(source.buf).sliced(start, end - start);
        const qint64 number = m_line++;
        source.start = next < 0 ? source.buf.size() : next;
        checkText(line, number);
        if (isSkippedInTsv(line))
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
        copyInto(record.acronym, line.first(tab));
        copyInto(record.definition, line.sliced(tab + 1));
        if (record.definition.contains('\t')) {
            record.problem = QStringLiteral("%1 tab-separated fields where a line holds 2").arg(line.count('\t') + 1);
            return true;
        }
        if (isOneOf(record.acronym, kAcronymNames) && isOneOf(record.definition, kDefinitionNames)) {
            record.problem = QStringLiteral("a header row, not an acronym");
            return true;
        }
        checkFields(record);
        return true;
    }
}

void RecordReader::readCsvHeader()
{
    Source &source = *m_source;
    qsizetype next = 0;
    const qsizetype end = lineEnd(source.start, next);
    const QByteArrayView first = QByteArrayView(source.buf).sliced(source.start, end - source.start);
    if (const std::optional<char> separator = separatorLine(first)) {
        m_separator = *separator;
        ++m_line;
        source.start = next < 0 ? source.buf.size() : next;
    } else {
        m_separator = separatorOfHeader(first);
    }
    QString problem;
    if (readCsvFields(m_header, problem) != Fields::Done)
        throw ImportRefused(QStringLiteral("%1: the header row cannot be read (%2); nothing was imported")
                                .arg(m_name, problem.isEmpty() ? QStringLiteral("no header") : problem)
                                .toStdString());
    auto find = [this](const QString &wanted, auto &names) -> int {
        for (qsizetype i = 0; i < m_header.size(); ++i) {
            if (wanted.isEmpty()
                    ? isOneOf(m_header.at(i), names)
                    : QString::fromUtf8(trimmedName(m_header.at(i))).compare(wanted, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        }
        return -1;
    };
    auto refuse = [this](const QString &what) {
        QString header = QStringLiteral("the header row");
        if (m_separator == ';')
            header += QStringLiteral(", separated by semicolons,");
        else if (m_separator != ',')
            header += QStringLiteral(", separated by '%1',").arg(QLatin1Char(m_separator));
        throw ImportRefused(QStringLiteral("%1: %2; %3 names %4. A CSV file starts with a header row; name the "
                                           "columns with --acronym-column and --definition-column. "
                                           "Nothing was imported")
                                .arg(m_name, what, header, quotedList(m_header))
                                .toStdString());
    };
    m_acronymColumn = find(m_options.acronymColumn, kAcronymNames);
    if (m_acronymColumn < 0)
        refuse(m_options.acronymColumn.isEmpty()
                   ? QStringLiteral("no acronym column (Acronym, Abbreviation, Term or Title)")
                   : QStringLiteral("no column named \"%1\"").arg(m_options.acronymColumn));
    m_definitionColumn = find(m_options.definitionColumn, kDefinitionNames);
    if (m_definitionColumn < 0)
        refuse(m_options.definitionColumn.isEmpty()
                   ? QStringLiteral("no definition column (Definition, Meaning, Description or Expansion)")
                   : QStringLiteral("no column named \"%1\"").arg(m_options.definitionColumn));
    const char *const noNames[] = {""};
    for (const QString &extra : m_options.extraColumns) {
        const int column = find(extra, noNames);
        if (column < 0 || extra.isEmpty())
            refuse(QStringLiteral("no column named \"%1\"").arg(extra));
        m_extraColumns << column;
    }
}

bool RecordReader::isHeaderAgain(const QList<QByteArray> &fields) const
{
    auto same = [&](int column) {
        return trimmedName(fields.value(column)).compare(trimmedName(m_header.at(column)), Qt::CaseInsensitive) == 0;
    };
    return same(m_acronymColumn) && same(m_definitionColumn);
}

bool RecordReader::nextCsv(InputRecord &record)
{
    QList<QByteArray> fields;
    for (;;) {
        const qint64 number = m_line;
        QString problem;
        const Fields read = readCsvFields(fields, problem);
        if (read == Fields::End)
            return false;
        record.line = number;
        record.problem = problem;
        record.acronym.clear();
        record.definition.clear();
        if (read == Fields::Bad)
            return true;
        if (fields.size() == 1 && isBlankBytes(fields.front()))
            continue; // an empty line
        if (fields.size() > m_header.size()) {
            record.problem =
                QStringLiteral("%1 fields where the header names %2").arg(fields.size()).arg(m_header.size());
            return true;
        }
        if (isHeaderAgain(fields)) {
            record.problem = QStringLiteral("the header row again, not an acronym");
            return true;
        }
        for (QByteArray &field : fields)
            unguardFormula(field);
        record.acronym = fields.value(m_acronymColumn);
        record.definition = fields.value(m_definitionColumn);
        QList<QByteArray> extras;
        for (const int column : m_extraColumns) {
            const QByteArray value = trimmedName(fields.value(column));
            if (!value.isEmpty())
                extras << value;
        }
        if (!extras.isEmpty() && !isBlankBytes(record.definition))
            record.definition += " (" + extras.join("; ") + ')';
        checkFields(record);
        return true;
    }
}

RecordReader::Fields RecordReader::readCsvFields(QList<QByteArray> &fields, QString &problem)
{
    Source &source = *m_source;
    source.compact();
    fields.clear();
    const qsizetype start = source.start;
    if (!source.has(start))
        return Fields::End;
    const qint64 firstLine = m_line;
    const char separator = m_separator; // kept in a register across the calls below
    QByteArray field;
    bool quoted = false; // inside quotes now
    bool wasQuoted = false; // the field began with a quote
    bool closed = false; // its closing quote has been read
    qsizetype i = start;
    auto finish = [&](qsizetype next) {
        checkText(QByteArrayView(source.buf).sliced(start, i - start), firstLine);
        fields.append(field);
        source.start = next;
        return Fields::Done;
    };
    // A quote that does not pair up is a bad record on its first line; the
    // next line is read afresh, so no later record is swallowed by it.
    auto bad = [&](const QString &why) {
        problem = why;
        m_line = firstLine;
        qsizetype next = 0;
        lineEnd(start, next);
        ++m_line;
        source.start = next < 0 ? source.buf.size() : next;
        return Fields::Bad;
    };
    for (;; ++i) {
        checkLength(i - start, firstLine);
        if (!source.has(i)) {
            if (quoted)
                return bad(QStringLiteral("a quote that is never closed"));
            ++m_line;
            return finish(i);
        }
        const char c = source.buf.at(i);
        if (quoted) {
            if (c == '"') {
                if (source.has(i + 1) && source.buf.at(i + 1) == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                    closed = true;
                }
            } else {
                // Line breaks inside quotes are the field's own, kept as they are.
                if (c == '\n' || (c == '\r' && !(source.has(i + 1) && source.buf.at(i + 1) == '\n')))
                    ++m_line;
                field += c;
            }
            continue;
        }
        if (c == separator) {
            fields.append(field);
            field.clear();
            wasQuoted = closed = false;
        } else if (c == '\n' || c == '\r') {
            ++m_line;
            const qsizetype next = c == '\r' && source.has(i + 1) && source.buf.at(i + 1) == '\n' ? i + 2 : i + 1;
            return finish(next);
        } else if (closed && c == ' ') {
            // spaces between a closing quote and the comma
        } else if (closed) {
            return bad(QStringLiteral("text after a closing quote (a quote that does not pair up)"));
        } else if (c == '"' && !wasQuoted && isBlankBytes(field)) {
            field.clear();
            quoted = wasQuoted = true;
        } else {
            field += c;
        }
    }
}

void RecordReader::checkFields(InputRecord &record)
{
    if (isBlankBytes(record.acronym))
        record.problem = QStringLiteral("empty acronym");
    else if (isBlankBytes(record.definition))
        record.problem = QStringLiteral("empty definition");
}

QString fileNameForQt(const QString &name)
{
    return name.startsWith(QLatin1Char(':')) ? QLatin1String("./") + name : name;
}

QString openInputFile(QFile &file, const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("the name of the file to import is empty (- reads standard input)");
    const QString path = fileNameForQt(name);
    if (QFileInfo(path).isDir())
        return QStringLiteral("%1 is a folder, not a file to import").arg(name);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QStringLiteral("%1: %2").arg(name, file.errorString());
    return {};
}

} // namespace tools
