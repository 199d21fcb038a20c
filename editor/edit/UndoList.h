// The edit pane's undo list and the temporary files that its entries keep
// alive. Entries hold snapshots of the lists (markers, volume points, cut
// regions) or of a whole state (kind 7: file, range and lists). At most 50
// entries: the oldest goes first, and a temporary file that no entry and no
// shown state needs any longer is deleted with it.
#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "components/waveedit/WaveDescription.h"
#include "editor/EditorHost.h"

namespace editor {

enum class UndoKind { Markers = 4, Volume = 5, Cuts = 6, Wave = 7 };

struct UndoEntry {
  UndoKind kind = UndoKind::Markers;
  components::WaveDescription snapshot;  // kind 4: markers; 5: volume; 6: cuts; 7: everything
  bool modified = false;                 // Modified when the entry was made
};

// A temporary file's display data (its peak cache) lives beside it under
// this ending, so that an undo shows the file again without reading it all.
inline constexpr char kDisplayDataEnding[] = ".peaks";
std::filesystem::path displayDataFile(const std::filesystem::path &file);
// Deletes a file and its display data.
void removeWithDisplayData(const std::filesystem::path &file);

// Temporary files made by the edits (Cut, Trim, Paste, Insert Blank); a
// file goes with its display data.
class TempFileList {
 public:
  void add(const std::filesystem::path &file);
  bool contains(const std::filesystem::path &file) const;
  // Deletes the file and forgets it, unless it is `shown` (by any spelling).
  void remove(const std::filesystem::path &file, const std::filesystem::path &shown);
  // Deletes every file from the last to the first, except `shown`, which
  // stays on the list.
  void removeAll(const std::filesystem::path &shown);
  const std::vector<std::filesystem::path> &files() const { return files_; }

 private:
  std::vector<std::filesystem::path> files_;
};

class UndoList : public EditHistory {
 public:
  static constexpr size_t kMaxEntries = 50;

  // shown: the file the edit pane shows now, never deleted from here.
  using ShownFile = std::function<std::filesystem::path()>;
  UndoList(TempFileList &temps, ShownFile shown);

  // Adds an entry; with 50 entries the oldest goes first, and a temporary
  // file that only it referred to is deleted.
  void push(UndoEntry entry);
  // The newest entry; nothing when empty.
  const UndoEntry *newest() const;
  // Removes the newest entry after a successful undo; the temporary file of
  // the state left behind (`left`) is deleted unless another entry or the
  // shown file still needs it.
  void popAfterUndo(const std::filesystem::path &left);
  size_t size() const { return entries_.size(); }

  // EditHistory: Reset Undo removes every entry, newest first, then every
  // temporary file except the shown one.
  bool empty() const override { return entries_.empty(); }
  void clear() override;
  // `to` is the copy made for the entries and joins the temporary files.
  void redirect(const std::string &from, const std::string &to) override;

 private:
  bool needed(const std::filesystem::path &file) const;

  TempFileList &temps_;
  ShownFile shown_;
  std::deque<UndoEntry> entries_;
};

}  // namespace editor
