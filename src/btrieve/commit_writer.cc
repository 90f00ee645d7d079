#include "btrieve/commit_writer.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "btrieve/byte_order.h"
#include "btrieve/page_format.h"

namespace btrieve {
namespace {

constexpr char kJournalMagic[8] = {'K', 'E', 'Z', 'J', 'R', 'N', 'L', '1'};

bool ReadAll(const std::filesystem::path& path, std::vector<std::uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

struct Journal {
  std::uint64_t original_size = 0;
  std::uint32_t page_size = 0;
  std::vector<std::pair<std::uint32_t, const std::uint8_t*>> pages;
};

Status ParseJournal(const std::vector<std::uint8_t>& bytes, Journal* journal) {
  if (bytes.size() < 24 || std::memcmp(bytes.data(), kJournalMagic, 8) != 0) {
    return Status(kIoError, "the journal is damaged");
  }
  journal->original_size = LoadU64(&bytes[8]);
  journal->page_size = LoadU32(&bytes[16]);
  const std::uint32_t count = LoadU32(&bytes[20]);
  const std::uint64_t entry = 4ull + journal->page_size;
  if (journal->page_size == 0 || bytes.size() != 24 + count * entry) {
    return Status(kIoError, "the journal is incomplete");
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* at = bytes.data() + 24 + i * entry;
    journal->pages.emplace_back(LoadU32(at), at + 4);
  }
  return Status::Ok();
}

}  // namespace

CommitWriter::CommitWriter(FileLayout& layout, PageStore& pages, PageSource& source,
                           std::filesystem::path path)
    : layout_(layout), pages_(pages), source_(source), path_(std::move(path)) {}

bool CommitWriter::Reserved(std::uint32_t physical) const {
  if (physical < 2) return true;
  return (physical - 2) % (layout_.page_size / 4) < 2;
}

void CommitWriter::Init() {
  free_logical_.clear();
  free_physical_.clear();
  freed_.clear();
  resting_recent_.clear();
  resting_older_.clear();
  next_physical_ = source_.page_count();
  if (layout_.format == Format::kOld) return;
  std::vector<std::uint8_t> used(next_physical_, 0);
  for (std::uint32_t page = 1; page < pages_.page_limit(); ++page) {
    const std::uint32_t physical = pages_.Physical(page);
    if (pages_.Type(page) == kPageFree) {
      free_logical_.insert(page);
    } else if (physical < used.size()) {
      used[physical] = 1;
    }
  }
  for (std::uint32_t physical = 0; physical < next_physical_; ++physical) {
    if (!used[physical] && !Reserved(physical)) free_physical_.insert(physical);
  }
}

std::uint32_t CommitWriter::NewPage(std::uint8_t type) {
  std::uint32_t page = pages_.page_limit();
  if (layout_.format == Format::kNew && !free_logical_.empty()) {
    page = *free_logical_.begin();
    free_logical_.erase(free_logical_.begin());
  }
  pages_.Add(page, type);
  return page;
}

void CommitWriter::FreePage(std::uint32_t page) {
  // Old-format files have no list of free pages that is known well enough to write; a page no
  // structure reaches is left as it is.
  if (layout_.format == Format::kOld) return;
  pages_.changes().erase(page);
  pages_.Release(page);
  freed_.push_back(page);
}

std::uint32_t CommitWriter::TakePhysical() {
  if (!free_physical_.empty()) {
    const std::uint32_t physical = *free_physical_.begin();
    free_physical_.erase(free_physical_.begin());
    return physical;
  }
  while (Reserved(next_physical_)) ++next_physical_;
  return next_physical_++;
}

Status CommitWriter::Commit() {
  if (!has_changes()) return Status::Ok();
  return layout_.format == Format::kNew ? CommitNew() : CommitOld();
}

void CommitWriter::Abandon() {
  pages_.DropChanges();
  freed_.clear();
}

Status CommitWriter::CommitNew() {
  const std::uint32_t ps = layout_.page_size;
  const std::uint32_t per_table = PageStore::PatEntries(ps);
  const std::uint32_t usage = layout_.fcr_usage + 1;
  std::set<std::uint32_t> tables;
  std::vector<std::uint32_t> retired;
  for (auto& [page, bytes] : pages_.changes()) {
    const std::uint32_t physical = TakePhysical();
    if (Status s = source_.Write(static_cast<std::uint64_t>(physical) * ps, bytes.data(), ps);
        !s.ok()) {
      return s;
    }
    const std::uint32_t old = pages_.Physical(page);
    if (old != kNoPointer) retired.push_back(old);
    pages_.Map(page, physical, pages_.Type(page));
    tables.insert((page - 1) / per_table);
  }
  for (std::uint32_t page : freed_) {
    tables.insert((page - 1) / per_table);
    const std::uint32_t old = pages_.Physical(page);
    if (old != kNoPointer) retired.push_back(old);
    pages_.Map(page, kNoPointer, kPageFree);
  }

  // The changed allocation tables, each into the spare copy of its pair.
  std::vector<std::pair<std::uint32_t, int>> written;
  std::vector<std::uint8_t> image(ps);
  for (std::uint32_t k : tables) {
    const bool existing = k < pages_.pat_groups();
    const int copy = existing ? 1 - pages_.CurrentPatCopy(k) : 0;
    std::fill(image.begin(), image.end(), 0);
    image[0] = 'P';
    image[1] = 'P';
    StoreU16(&image[2], 1);
    StoreU32(&image[4], usage);
    for (std::uint32_t i = 0; i < per_table; ++i) {
      const std::uint32_t page = 1 + k * per_table + i;
      if (page >= pages_.page_limit()) break;
      // A free page keeps no physical page: its entry is all zero.
      const std::uint8_t type = pages_.Type(page);
      if (type != kPageFree) StorePagePointer6(&image[8 + 4 * i], pages_.Physical(page), type);
    }
    const std::uint32_t first = PageStore::PatPairPage(ps, k);
    if (Status s = source_.Write(static_cast<std::uint64_t>(first + copy) * ps, image.data(), ps);
        !s.ok()) {
      return s;
    }
    if (!existing) {
      // The other copy of a new pair: a table no control record covers yet.
      StoreU32(&image[4], 0);
      if (Status s = source_.Write(static_cast<std::uint64_t>(first + 1) * ps, image.data(), ps);
          !s.ok()) {
        return s;
      }
    }
    written.emplace_back(k, copy);
  }

  // The control record, last: writing it makes the new state current.
  std::vector<std::uint8_t> fcr(ps);
  const std::uint8_t* current = source_.Page(layout_.fcr_page);
  if (current == nullptr) return Status(kIoError, "the control record cannot be read");
  std::copy(current, current + ps, fcr.begin());
  layout_.page_count = pages_.page_limit();
  StoreChangingFcrFields(layout_, fcr.data());
  StoreU32(&fcr[4], usage);
  const std::uint32_t target = 1 - layout_.fcr_page;
  if (Status s = source_.Write(static_cast<std::uint64_t>(target) * ps, fcr.data(), ps); !s.ok()) {
    return s;
  }
  layout_.fcr_page = target;
  layout_.fcr_usage = usage;
  for (auto [k, copy] : written) pages_.SetCurrentPatCopy(k, copy);
  free_physical_.insert(resting_older_.begin(), resting_older_.end());
  resting_older_ = std::move(resting_recent_);
  resting_recent_ = std::move(retired);
  free_logical_.insert(freed_.begin(), freed_.end());
  freed_.clear();
  pages_.DropChanges();
  pages_.set_physical_pages(source_.page_count());
  return Status::Ok();
}

Status CommitWriter::CommitOld() {
  const std::uint32_t ps = layout_.page_size;
  layout_.page_count = pages_.page_limit();
  std::uint8_t* fcr = pages_.Mutable(0);
  StoreChangingFcrFields(layout_, fcr);
  StoreU16(fcr + 4, static_cast<std::uint16_t>(LoadU16(fcr + 4) + 1));

  // The journal: the original bytes of every page that exists and is about to change.
  std::vector<std::uint8_t> journal(24);
  std::memcpy(journal.data(), kJournalMagic, 8);
  StoreU64(&journal[8], source_.size());
  StoreU32(&journal[16], ps);
  std::uint32_t count = 0;
  for (const auto& [page, bytes] : pages_.changes()) {
    const std::uint8_t* original = page < source_.page_count() ? source_.Page(page) : nullptr;
    if (original == nullptr) continue;
    const std::size_t at = journal.size();
    journal.resize(at + 4 + ps);
    StoreU32(&journal[at], page);
    std::memcpy(&journal[at + 4], original, ps);
    ++count;
  }
  StoreU32(&journal[20], count);
  const std::filesystem::path journal_path = JournalPath(path_);
  const bool journaled = !path_.empty();
  if (journaled) {
    const std::filesystem::path temporary = journal_path.string() + ".new";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(journal.data()),
              static_cast<std::streamsize>(journal.size()));
    out.close();
    std::error_code error;
    if (!out) {
      std::filesystem::remove(temporary, error);
      return Status(kIoError, journal_path.string() + ": the journal cannot be written");
    }
    std::filesystem::rename(temporary, journal_path, error);
    if (error) return Status(kIoError, journal_path.string() + ": " + error.message());
  }
  // The control record goes last: a reader that sees its new usage count finds every page new.
  for (const auto& [page, bytes] : pages_.changes()) {
    if (page == 0) continue;
    if (Status s = source_.Write(static_cast<std::uint64_t>(page) * ps, bytes.data(), ps);
        !s.ok()) {
      return s;
    }
  }
  if (Status s = source_.Write(0, fcr, ps); !s.ok()) return s;
  if (journaled) {
    std::error_code error;
    std::filesystem::remove(journal_path, error);
  }
  layout_.fcr_usage = LoadU16(fcr + 4);
  pages_.DropChanges();
  pages_.set_physical_pages(source_.page_count());
  return Status::Ok();
}

std::filesystem::path CommitWriter::JournalPath(const std::filesystem::path& file) {
  return file.string() + ".journal";
}

Status CommitWriter::Recover(const std::filesystem::path& file, PageSource& source) {
  const std::filesystem::path journal_path = JournalPath(file);
  std::error_code error;
  if (!std::filesystem::exists(journal_path, error)) return Status::Ok();
  std::vector<std::uint8_t> bytes;
  Journal journal;
  if (!ReadAll(journal_path, &bytes))
    return Status(kIoError, journal_path.string() + ": unreadable");
  if (Status s = ParseJournal(bytes, &journal); !s.ok()) return s.Prefix(journal_path.string());
  for (const auto& [page, original] : journal.pages) {
    if (Status s = source.Write(static_cast<std::uint64_t>(page) * journal.page_size, original,
                                journal.page_size);
        !s.ok()) {
      return s;
    }
  }
  if (Status s = source.Truncate(journal.original_size); !s.ok()) return s;
  if (Status s = source.Sync(); !s.ok()) return s;
  std::filesystem::remove(journal_path, error);
  return source.Refresh();
}

Status CommitWriter::ReadWithJournal(const std::filesystem::path& file,
                                     std::vector<std::uint8_t>* out) {
  std::vector<std::uint8_t> bytes;
  Journal journal;
  if (!ReadAll(JournalPath(file), &bytes)) return Status(kIoError, "the journal is unreadable");
  if (Status s = ParseJournal(bytes, &journal); !s.ok()) return s;
  if (!ReadAll(file, out)) return Status(kIoError, file.string() + ": unreadable");
  out->resize(static_cast<std::size_t>(journal.original_size), 0);
  for (const auto& [page, original] : journal.pages) {
    const std::uint64_t at = static_cast<std::uint64_t>(page) * journal.page_size;
    if (at + journal.page_size <= out->size()) {
      std::memcpy(out->data() + at, original, journal.page_size);
    }
  }
  return Status::Ok();
}

}  // namespace btrieve
