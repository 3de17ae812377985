#include "tools/exporter.h"

#include "store/records.h"
#include "store/text.h"

#include <QIODevice>

#include <string>
#include <string_view>

namespace tools {

namespace {

bool hasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Why the field pair cannot be written so that an import restores it, or
// nullptr when it can.
const char *cannotCarry(std::string_view acronym, std::string_view definition, OutputFormat format)
{
    if (store::trimSpaces(acronym).empty())
        return "no acronym";
    if (store::trimSpaces(definition).empty())
        return "no definition";
    if (format == OutputFormat::Csv)
        return nullptr;
    if (hasLineBreak(acronym) || hasLineBreak(definition))
        return "a line break, which a tab-separated line cannot hold (export to .csv instead)";
    if (acronym.find('\t') != std::string_view::npos || definition.find('\t') != std::string_view::npos)
        return "a tab, which a tab-separated line cannot hold (export to .csv instead)";
    if (acronym.front() == '#' || acronym.front() == '$')
        return "an acronym that would read as a comment line (export to .csv instead)";
    return nullptr;
}

// A cell a spreadsheet would run as a formula, after any apostrophes.
bool readsAsFormula(std::string_view field)
{
    const size_t first = field.find_first_not_of('\'');
    return first != std::string_view::npos && std::string_view("=+-@").find(field[first]) != std::string_view::npos;
}

void appendCsvField(QByteArray &line, std::string_view field)
{
    // One apostrophe more in front keeps it text; import takes it off again.
    const std::string guarded = readsAsFormula(field) ? "'" + std::string(field) : std::string();
    if (!guarded.empty())
        field = guarded;
    if (field.find_first_of(",\"\r\n") == std::string_view::npos && field.find(' ') != 0) {
        line.append(field.data(), static_cast<qsizetype>(field.size()));
        return;
    }
    line += '"';
    for (const char c : field) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

} // namespace

OutputFormat outputFormatFor(const QString &path)
{
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? OutputFormat::Csv : OutputFormat::Tsv;
}

ExportReport exportDictionary(const store::Location &db, QIODevice &out, OutputFormat format)
{
    ExportReport report;
    QByteArray buffer;
    if (format == OutputFormat::Csv)
        buffer = "Acronym,Definition\n";
    auto flush = [&] {
        if (out.write(buffer) != buffer.size())
            throw std::runtime_error(out.errorString().toStdString());
        buffer.clear();
    };
    qint64 record = 0;
    // One moment of the table, in natural order.
    store::forEachRecord(db, [&](const store::StoredRecord &stored) {
        ++record;
        const std::string_view acronym = stored.acronym.value_or(std::string_view());
        const std::string_view definition = stored.definition.value_or(std::string_view());
        if (const char *why = cannotCarry(acronym, definition, format)) {
            report.left << QStringLiteral("record %1 (%2): %3")
                               .arg(record)
                               .arg(QString::fromUtf8(acronym.data(), static_cast<qsizetype>(acronym.size())),
                                    QString::fromUtf8(why));
            return;
        }
        if (format == OutputFormat::Csv) {
            appendCsvField(buffer, acronym);
            buffer += ',';
            appendCsvField(buffer, definition);
        } else {
            buffer.append(acronym.data(), static_cast<qsizetype>(acronym.size()));
            buffer += '\t';
            buffer.append(definition.data(), static_cast<qsizetype>(definition.size()));
        }
        buffer += '\n';
        ++report.written;
        if (buffer.size() >= 1 << 20)
            flush();
    });
    flush();
    return report;
}

} // namespace tools
