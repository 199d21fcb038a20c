#include "editor/edit/UndoList.h"

#include <algorithm>
#include <system_error>

#include "editor/FileIdentity.h"

namespace fs = std::filesystem;

namespace editor {

namespace {

bool same(const fs::path &a, const fs::path &b) {
  if (a.empty() || b.empty()) return false;
  return a == b || sameFile(a.string(), b.string());
}

}  // namespace

// ---- TempFileList ----

void TempFileList::add(const fs::path &file) {
  if (!file.empty() && !contains(file)) files_.push_back(file);
}

bool TempFileList::contains(const fs::path &file) const {
  return std::any_of(files_.begin(), files_.end(), [&](const fs::path &f) { return same(f, file); });
}

void removeWithDisplayData(const fs::path &file) {
  std::error_code ec;
  fs::remove(file, ec);
  fs::remove(displayDataFile(file), ec);
}

fs::path displayDataFile(const fs::path &file) {
  fs::path side = file;
  side += kDisplayDataEnding;
  return side;
}

void TempFileList::remove(const fs::path &file, const fs::path &shown) {
  if (same(file, shown)) return;
  auto it = std::find_if(files_.begin(), files_.end(), [&](const fs::path &f) { return same(f, file); });
  if (it == files_.end()) return;
  removeWithDisplayData(*it);
  files_.erase(it);
}

void TempFileList::removeAll(const fs::path &shown) {
  for (size_t i = files_.size(); i-- > 0;) {
    if (same(files_[i], shown)) continue;
    removeWithDisplayData(files_[i]);
    files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

// ---- UndoList ----

UndoList::UndoList(TempFileList &temps, ShownFile shown) : temps_(temps), shown_(std::move(shown)) {}

void UndoList::push(UndoEntry entry) {
  std::string dropped;
  if (entries_.size() >= kMaxEntries) {
    dropped = entries_.front().snapshot.fileName;
    entries_.pop_front();
  }
  entries_.push_back(std::move(entry));
  // The dropped state cannot be reached any more: its file goes unless the
  // new entry, an older one or the pane still uses it.
  if (!dropped.empty() && !needed(dropped)) temps_.remove(dropped, shown_ ? shown_() : fs::path());
}

const UndoEntry *UndoList::newest() const { return entries_.empty() ? nullptr : &entries_.back(); }

void UndoList::popAfterUndo(const fs::path &left) {
  if (!entries_.empty()) entries_.pop_back();
  if (!left.empty() && !needed(left)) temps_.remove(left, shown_ ? shown_() : fs::path());
}

void UndoList::clear() {
  while (!entries_.empty()) entries_.pop_back();
  temps_.removeAll(shown_ ? shown_() : fs::path());
}

void UndoList::redirect(const std::string &from, const std::string &to) {
  if (same(from, to)) return;
  for (UndoEntry &e : entries_)
    if (same(e.snapshot.fileName, from)) e.snapshot.fileName = to;
  // `to` is the copy made for the entries: it is the history's to delete.
  temps_.add(to);
}

bool UndoList::needed(const fs::path &file) const {
  if (shown_ && same(file, shown_())) return true;
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const UndoEntry &e) { return same(e.snapshot.fileName, file); });
}

}  // namespace editor
