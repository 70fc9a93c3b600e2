// fuzz-sources: meta/Tid3tag.cpp meta/Genres.cpp platform/Files.cpp
//
// Arbitrary bytes as the contents of an MP3 file. Beyond surviving them, whatever tag is
// read must be written and read back to the same fields, and the genre tables must map
// its genre there and back.
#include "meta/Genres.h"
#include "meta/Tid3tag.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_id3tag: %s\n", what);
    std::abort();
}

bool sameFields(const Tid3tag& a, const Tid3tag& b)
{
    return a.title() == b.title() && a.artist() == b.artist() && a.album() == b.album() && a.year() == b.year() &&
           a.comment() == b.comment() && a.genre() == b.genre() && a.track() == b.track() &&
           a.hasTrack() == b.hasTrack();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView contents(data, static_cast<qsizetype>(size));
    Tid3tag tag;
    const std::uint16_t result = tag.parse(contents);
    if (result >= 256) {
        if (result != Tid3tag::rsNoTag) {
            fail("parse gave a file outcome");
        }
        if (size >= 128 && contents.last(128).startsWith("TAG")) {
            fail("tag not recognised");
        }
        return 0;
    }
    if (result != Tid3tag::rsSuccess && result != Tid3tag::rsGenreWarning) {
        fail("unknown result");
    }
    if (tag.title().size() > 30 || tag.artist().size() > 30 || tag.album().size() > 30 || tag.year().size() > 4 ||
        tag.comment().size() > 30 || (tag.hasTrack() && tag.comment().size() > 28)) {
        fail("field longer than its width");
    }

    const QByteArray block = tag.render();
    if (block.size() != Tid3tag::tagSize) {
        fail("rendered tag is not 128 bytes");
    }
    Tid3tag again;
    if (again.parse(block) != result || !sameFields(tag, again)) {
        fail("tag changed on its way through a save");
    }
    if (again.render() != block) {
        fail("rendering is not stable");
    }

    const int position = Genres::listPositionOfGenre(tag.genre());
    if (tag.genre() < Genres::count ? Genres::genreOfListPosition(position) != tag.genre() : position != 0) {
        fail("genre tables disagree");
    }
    return 0;
}
