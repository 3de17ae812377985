// The dictionary tool's input reader against any bytes, in both formats: it
// ends, moves forward, counts lines upward, and passes on only records whose
// fields are non-blank, well-formed UTF-8.

#include "store/text.h"
#include "tools/recordreader.h"

#include <QBuffer>
#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool qtAcceptsUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

void readAll(QByteArrayView data, tools::InputFormat format)
{
    QByteArray bytes = data.toByteArray();
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    tools::ReaderOptions options;
    options.format = format;
    options.maxRecordBytes = 4096;
    try {
        tools::RecordReader reader(input, QStringLiteral("input"), options);
        tools::InputRecord record;
        qint64 lastLine = 0;
        int records = 0;
        while (reader.next(record)) {
            require(++records <= data.size() + 1);
            require(record.line > lastLine);
            lastLine = record.line;
            if (!record.problem.isEmpty())
                continue;
            require(tools::isValidUtf8(record.acronym) && tools::isValidUtf8(record.definition));
            require(!store::isBlank(store::fromStoredUtf8(record.acronym.toStdString())));
            require(!store::isBlank(store::fromStoredUtf8(record.definition.toStdString())));
            require(!record.acronym.contains('\0') && !record.definition.contains('\0'));
        }
    } catch (const tools::ImportRefused &) {
        // a whole input refused: fine, as long as it ends
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    require(tools::isValidUtf8(bytes) == qtAcceptsUtf8(bytes));
    readAll(bytes, tools::InputFormat::Tsv);
    readAll(bytes, tools::InputFormat::Csv);
    return 0;
}
