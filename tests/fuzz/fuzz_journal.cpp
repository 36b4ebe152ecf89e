// The score journal as a new screen reads what an earlier run left. Every
// line ends in a checksum a mutation rarely keeps, so an odd first byte
// seals each line with its right checksum and the fields get fuzzed too.
#include "fuzz_input.h"
#include "marking/score_journal.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool seal = data[0] & 1;
    QByteArray content = fuzz::bytes(data + 1, size - 1);
    if (seal) {
        QByteArray sealed;
        for (const QByteArray& line : content.split('\n'))
            sealed += line + '\t' + QByteArray::number(qChecksum(line), 16) + '\n';
        content = sealed;
    }
    const marking::JournalContent read = marking::read_journal(content, 7);
    QSet<QString> ids;
    for (const marking::JournalEntry& e : read.pending) {
        FUZZ_CHECK(e.userId == 7);
        FUZZ_CHECK(!ids.contains(e.workId));
        ids.insert(e.workId);
    }
    return 0;
}
