// fuzz-sources: meta/CddbEntry.cpp meta/Genres.cpp cd/CddbProtocol.cpp cd/CddbDiscId.cpp
//
// Arbitrary bytes as a server's answer to "cddb read" and as the entry text the lookup
// parses. The first byte chooses the disc's first track and track count so every title
// key is reached. Beyond surviving them: the entry handed on is clean UTF-8 without
// control characters, never longer than the buffer, and the parse gives no more titles
// than the disc has tracks.
#include "cd/CddbProtocol.h"
#include "meta/CddbEntry.h"
#include "meta/Genres.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_cddbentry: %s\n", what);
    std::abort();
}

bool hasControls(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0)) {
            return true;
        }
    }
    return false;
}

void checkFields(const CddbEntryFields& fields, int tracks)
{
    if (static_cast<int>(fields.titles.size()) > tracks || (!fields.hasTitleKey && !fields.titles.empty())) {
        fail("more titles than tracks");
    }
    for (const QString& title : fields.titles) {
        if (hasControls(title)) {
            fail("control character in a title");
        }
    }
    for (const auto* field : {&fields.artist, &fields.album, &fields.year}) {
        if (*field && hasControls(**field)) {
            fail("control character in a disc field");
        }
    }
    if (fields.genre && (*fields.genre < -1 || *fields.genre >= Genres::count)) {
        fail("genre outside the list");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    const int firstTrack = 1 + data[0] % 4;
    const int tracks = 1 + (data[0] >> 2) % 40;
    const QByteArrayView text(data + 1, static_cast<qsizetype>(size - 1));

    const tarnwick::cddb::ReadAnswer answer = tarnwick::cddb::parseReadAnswer(text);
    const QByteArray fitted = tarnwick::cddb::fitIntoBuffer(answer.entry, 32000);
    if (fitted.size() > 31999 || !answer.entry.startsWith(fitted)) {
        fail("entry does not fit the buffer");
    }
    if (QString::fromUtf8(fitted).toUtf8() != fitted) {
        fail("entry is not clean UTF-8");
    }
    for (const char c : fitted) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7f) {
            fail("control byte in the entry");
        }
    }
    checkFields(parseCddbEntry(fitted, firstTrack, firstTrack + tracks - 1, tracks), tracks);
    // The raw bytes too, as a library of another make might hand them over.
    checkFields(parseCddbEntry(text, firstTrack, firstTrack + tracks - 1, tracks / 2), tracks / 2);
    (void)tarnwick::cddb::parseQueryAnswer(text);
    return 0;
}
