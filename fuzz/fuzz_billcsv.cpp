/** @file fuzz_billcsv.cpp @brief Fuzzes the reading of CSV bills: records, encoding detection (UTF-8, GB18030), header aliases. */
#include "billtable.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    BillOptions options;
    // One input in four also names its columns, by letter and by header text.
    if (size > 0 && data[0] % 4 == 1) {
        options.columns.insert(QStringLiteral("name"), QStringLiteral("B"));
        options.columns.insert(QStringLiteral("spec"), QStringLiteral("规格"));
    }
    BillTable table;
    QString error;
    if (!Bill::readCsvBytes(bytes, QStringLiteral("fuzz.csv"), options, &table, &error)) {
        fuzzsupport::check(!error.isEmpty(), "a failed read says why");
        return 0;
    }
    qint64 line = table.headerLine;
    for (const BillRow& row : qAsConst(table.rows)) {
        fuzzsupport::check(row.line > line, "rows come after the header row, in order");
        fuzzsupport::check(!row.id.isEmpty(), "every row has an id");
        line = row.line;
    }
    return 0;
}
