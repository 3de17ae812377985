#include "tools/exporter.h"

#include "store/engine.h"
#include "store/error.h"
#include "store/records.h"
#include "store/text.h"
#include "tools/toolerror.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTextStream>

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
    const auto utf8 = [](std::string_view text) {
        return QByteArrayView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8();
    };
    // What import refuses as a whole would make the file no backup at all.
    if (!utf8(acronym) || !utf8(definition))
        return "bytes that are no UTF-8, which import refuses (orvex-db copy keeps them)";
    if (acronym.find('\0') != std::string_view::npos || definition.find('\0') != std::string_view::npos)
        return "the character U+0000, which a text file cannot hold (orvex-db copy keeps it)";
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

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

bool isSqliteDatabase(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

[[noreturn]] void refuse(const QString &message)
{
    throw ToolError(message.toStdString());
}

ExportReport exportToStandardOutput(const store::Location &db, QTextStream &standardOutput)
{
    standardOutput.flush();
    if (QIODevice *device = standardOutput.device())
        return exportDictionary(db, *device, OutputFormat::Tsv);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const ExportReport report = exportDictionary(db, buffer, OutputFormat::Tsv);
    standardOutput << QString::fromUtf8(buffer.data());
    return report;
}

ExportReport exportToFile(const store::Location &db, const QString &target, bool force)
{
    const QFileInfo info(target);
    if (store::engineFor(db)->isStoredIn(target))
        refuse(QStringLiteral("%1 is the dictionary being exported; choose another file").arg(target));
    if (info.isDir())
        refuse(QStringLiteral("%1 is a folder; name a file to write").arg(target));
    // Writing through a link would replace or make the file it leads to,
    // which may be anybody's. A link to a pipe or a device (/dev/stdout) is
    // only written into.
    if (info.isSymLink() && (!info.exists() || info.isFile()))
        refuse(
            QStringLiteral("%1 is a symbolic link; export never writes through one: name the file itself").arg(target));
    if (info.exists() && info.isFile()) {
        if (isSqliteDatabase(target))
            refuse(QStringLiteral("%1 is a dictionary (an SQLite database); export writes text and never "
                                  "replaces one. To read from it: orvex-db export --from %1")
                       .arg(target));
        if (!force)
            refuse(QStringLiteral("%1 already exists; add --force to replace it").arg(target));
    }
    if (info.exists() && !info.isFile()) {
        // A pipe, a device or a terminal: written into, never replaced.
        QFile stream(target);
        if (!stream.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            refuse(QStringLiteral("%1: %2").arg(target, stream.errorString()));
        return exportDictionary(db, stream, outputFormatFor(target));
    }
    if (!QFileInfo(folderOf(target)).isDir())
        refuse(
            QStringLiteral("%1: the folder %2 does not exist").arg(target, QDir::toNativeSeparators(folderOf(target))));
    const QStorageInfo storage(folderOf(target));
    if (storage.isValid() && storage.isReadOnly())
        refuse(QStringLiteral("%1: the file system is read-only").arg(target));
    // Written aside and moved in whole: a failed export leaves an older
    // file of that name as it was.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        refuse(QStringLiteral("%1: %2").arg(target, file.errorString()));
    ExportReport report = exportDictionary(db, file, outputFormatFor(target));
    if (!file.commit())
        refuse(QStringLiteral("%1: %2").arg(target, file.errorString()));
    report.toFile = true;
    return report;
}

} // namespace

ExportReport exportTo(const store::Location &db, const QString &target, bool force, QTextStream &standardOutput)
{
    try {
        return target == QLatin1String("-") ? exportToStandardOutput(db, standardOutput)
                                            : exportToFile(db, target, force);
    } catch (const ToolError &) {
        throw;
    } catch (const store::Error &) {
        throw;
    } catch (const std::runtime_error &error) {
        refuse(QStringLiteral("%1: could not be written: %2").arg(target, QString::fromStdString(error.what())));
    }
}

qint64 recordsTheFormatCannotCarry(const store::Location &db, OutputFormat format)
{
    qint64 count = 0;
    store::forEachRecord(db, [&](const store::StoredRecord &stored) {
        count += cannotCarry(stored.acronym.value_or(std::string_view()),
                             stored.definition.value_or(std::string_view()), format)
                 != nullptr;
    });
    return count;
}

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
