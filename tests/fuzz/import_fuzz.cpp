// The dictionary tool's input reader against any bytes, in both formats: it
// ends, moves forward, counts lines upward, and passes on only records whose
// fields are non-blank, well-formed UTF-8.

#include "store/text.h"
#include "tools/recordreader.h"

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
    tools::RecordReader reader(data, format);
    tools::InputRecord record;
    qint64 lastLine = 0;
    qint64 lastPosition = reader.position();
    int records = 0;
    while (reader.next(record)) {
        require(++records <= data.size() + 1);
        require(record.line > lastLine);
        require(reader.position() > lastPosition && reader.position() <= data.size());
        lastLine = record.line;
        lastPosition = reader.position();
        if (record.problem.isEmpty()) {
            require(tools::isValidUtf8(record.acronym) && tools::isValidUtf8(record.definition));
            require(!store::isBlank(store::fromStoredUtf8(record.acronym.toStdString())));
            require(!store::isBlank(store::fromStoredUtf8(record.definition.toStdString())));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    require(tools::isValidUtf8(bytes) == qtAcceptsUtf8(bytes));
    (void)tools::detectFormat(QStringLiteral("input"), bytes);
    readAll(bytes, tools::InputFormat::Tsv);
    readAll(bytes, tools::InputFormat::Csv);
    return 0;
}
