// The parse of text_import.h: the import's stages, each in a file of its
// own (finding the table in text_find, reading its rows in text_rows,
// building its columns in text_columns, what it tells the user in
// text_notices, over the cells and records of text_cells), run in turn on
// a text in memory or on a file read in slices on several threads.
#include "datafiles/text_import.h"

#include <algorithm>
#include <memory>
#include <new>

#include <unistd.h>

#include "datafiles/byteswap.h"
#include "datafiles/filehelpers.h"
#include "datafiles/text_cells.h"
#include "datafiles/text_columns.h"
#include "datafiles/text_find.h"
#include "datafiles/text_rows.h"
#include "platform/pages.h"
#include "platform/threads.h"
#include "shell/readfile.h"

using namespace textimport;

namespace {

bool startsWithByteOrderMark(std::string_view text) { return text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF"; }

// The parse of a text without its byte-order mark, scanned already; its line
// ends counted already where lineEnds is given.
FileStatus parseScanned(std::string_view text, const TextScan& scan, const LineEnds* lineEnds, TextTable* out) {
  if (scan.zeroByte) return FileStatus::BadFormat;  // binary, or UTF-16
  TextTable t;
  TableStart start;
  if (const FileStatus st = findTable(text, scan, t, &start, out); st != FileStatus::Ok) return st;
  RowsRead read;
  if (const FileStatus st = readDataRows(text, start, scan.lastQuote, lineEnds, t, &read, out); st != FileStatus::Ok)
    return st;
  if (const FileStatus st = buildColumns(text, start, read, scan.utf8 && scan.anyHigh, t, out); st != FileStatus::Ok)
    return st;
  *out = std::move(t);
  return FileStatus::Ok;
}

}  // namespace

FileStatus ParseDelimitedText(std::string_view text, TextTable* out) {
  if (startsWithByteOrderMark(text)) text.remove_prefix(3);
  return parseScanned(text, scanTextShared(text), nullptr, out);
}

namespace {

// The text of a file in `all`, read there from fd first when `into` (the
// buffer under all) is given; a mapping is there already.
FileStatus readDelimitedText(int fd, char* into, std::string_view all, TextTable* out) {
  const size_t size = all.size();
  const char* const bytes = all.data();
  // Large files are read (or gone over, when mapped) in slices on several
  // threads: copying from the page cache and the first touch of the
  // buffer's pages then overlap. Each piece is scanned (as scanTextShared
  // does) while it is still in the cache, which spares the parse a pass over
  // the whole text. A thread scans from the first plain ASCII byte of its
  // slice up to the last one it has read; the few bytes between the slices
  // are scanned once all are in.
  constexpr size_t kSliceBytes = size_t{8} << 20, kPieceBytes = size_t{512} << 10;
  const size_t slices = std::clamp<size_t>(size / kSliceBytes, 1, importThreads());
  const size_t share = (size / slices + 4095) & ~size_t{4095};
  struct Slice {
    bool read = false;
    size_t scanFrom = 0, scanTo = 0;   // scanned: [scanFrom, scanTo), each a plain ASCII byte or the slice's end
    TextScan scan;
  };
  std::vector<Slice> got(slices);
  // The line ends of each piece, counted too while it is in the cache.
  const auto sliceFrom = [&](size_t i) { return std::min(size, i * share); };
  const auto sliceTo = [&](size_t i) { return i + 1 == slices ? size : std::min(size, sliceFrom(i) + share); };
  std::vector<size_t> firstPiece(slices + 1, 0);
  for (size_t i = 0; i < slices; ++i)
    firstPiece[i + 1] = firstPiece[i] + (sliceTo(i) - sliceFrom(i) + kPieceBytes - 1) / kPieceBytes;
  LineEnds lineEnds;
  lineEnds.base = bytes;
  lineEnds.starts.resize(firstPiece[slices]);
  lineEnds.before.resize(firstPiece[slices]);
  std::vector<size_t> pieceLineEnds(firstPiece[slices]);
  const auto readSlice = [&](size_t i) {
    const size_t from = sliceFrom(i), to = sliceTo(i);
    Slice& sl = got[i];
    sl.scanFrom = sl.scanTo = to;
    // Where the scan goes on; until the first plain byte is found, where the
    // search for it does (a byte-order mark is passed over with the rest).
    size_t next = from;
    bool started = false;
    for (size_t at = from; at < to;) {
      const size_t n = std::min(kPieceBytes, to - at);
      if (into && ReadFully(fd, into + at, n, at) != n) return;
      const size_t piece = firstPiece[i] + (at - from) / kPieceBytes;
      lineEnds.starts[piece] = at;
      bool plain = false;
      pieceLineEnds[piece] = countLineEnds(bytes + at, bytes + at + n, &plain);
      const size_t pieceStart = at;
      at += n;
      if (!started) {
        while (next < at && static_cast<unsigned char>(all[next]) >= 0x80) ++next;
        if (next == at) continue;
        started = true;
        sl.scanFrom = sl.scanTo = next;
      }
      // Up to the last plain byte read, or to the end of the text.
      size_t end = at;
      if (end < size)
        do --end; while (end > next && static_cast<unsigned char>(all[end]) >= 0x80);
      if (end <= next) continue;
      // Plain bytes tell the scan nothing, and a plain piece starts at a
      // character: only the bytes before it are scanned.
      const size_t scanEnd = plain ? std::min(end, std::max(next, pieceStart)) : end;
      if (scanEnd > next) {
        TextScan part = scanText(all.substr(next, scanEnd - next));
        if (part.lastQuote >= 0) part.lastQuote += static_cast<ptrdiff_t>(next);
        merge(sl.scan, part);
      }
      sl.scanTo = next = end;
    }
    sl.read = true;
  };
  onThreads(slices, readSlice);
  for (const Slice& sl : got)
    if (!sl.read) return FileStatus::CannotOpen;
  const size_t bom = startsWithByteOrderMark(all) ? 3 : 0;
  TextScan scan;
  size_t scanned = bom;   // every byte before it scanned
  const auto scanGap = [&](size_t to) {
    if (to <= scanned) return;
    TextScan part = scanText(all.substr(scanned, to - scanned));
    if (part.lastQuote >= 0) part.lastQuote += static_cast<ptrdiff_t>(scanned);
    merge(scan, part);
  };
  for (const Slice& sl : got) {
    if (sl.scanTo <= sl.scanFrom) continue;
    scanGap(sl.scanFrom);
    merge(scan, sl.scan);
    scanned = sl.scanTo;
  }
  scanGap(size);
  if (scan.lastQuote >= 0) scan.lastQuote -= static_cast<ptrdiff_t>(bom);
  // A CR LF across two pieces was counted in both.
  size_t total = 0;
  for (size_t k = 0; k < pieceLineEnds.size(); ++k) {
    const size_t next = k + 1 < pieceLineEnds.size() ? lineEnds.starts[k + 1] : size;
    if (next < size && all[next - 1] == '\r' && all[next] == '\n') --pieceLineEnds[k];
    lineEnds.before[k] = total;
    total += pieceLineEnds[k];
  }
  return parseScanned(all.substr(bom), scan, lineEnds.starts.empty() ? nullptr : &lineEnds, out);
}

}  // namespace

FileStatus ReadDelimitedTextFile(const std::filesystem::path& path, TextTable* out, bool mapped) {
  // The file mapped where the system allows, else read into a buffer.
  MappedFile mapping;
  if (mapped && mapping.open(path)) {
    const FileStatus st = readDelimitedText(-1, nullptr, mapping.bytes(), out);
    // Cut short while it was read: what was read is not the file.
    return mapping.cutShort() ? FileStatus::ChangedWhileRead : st;
  }
  uint64_t fileSize = 0;
  FileStamp stamp;
  const int fd = OpenRegularFile(path, &fileSize, &stamp);
  if (fd < 0) return FileStatus::CannotOpen;
  const auto size = static_cast<size_t>(fileSize);
  // Not a std::string: its resize would first fill every byte with zeros.
  std::unique_ptr<char[]> bytes(new (std::nothrow) char[size]);
  if (!bytes) {
    ::close(fd);
    return FileStatus::OutOfMemory;
  }
  PrepareFreshPages(bytes.get(), size, size);
  if (gFileOpenedHook) gFileOpenedHook(path);
  FileStatus status = readDelimitedText(fd, bytes.get(), std::string_view(bytes.get(), size), out);
  // A cut makes the read come short, which is no fault of the disk; a write
  // in place would leave a mix of old and new rows.
  if (FileChangedSince(fd, stamp)) status = FileStatus::ChangedWhileRead;
  ::close(fd);
  return status;
}
