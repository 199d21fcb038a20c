// The filter field of the PC browser and the mask it gives the file list.
// A mask is a ";"-separated list of wildcard patterns ("*" and "?"),
// matched against the whole file name without regard to case; "*.*"
// matches every file, also one without a dot. An empty mask matches every
// file, so that clearing the field while typing never empties the list.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <vector>

namespace pc {

class NameMask {
 public:
  NameMask() = default;
  explicit NameMask(const QString &mask);

  bool matches(const QString &fileName) const;
  bool matchesEverything() const { return all_; }
  const QString &text() const { return text_; }

 private:
  QString text_;
  bool all_ = true;
  std::vector<QRegularExpression> patterns_;
};

// What Enter in the filter field does: the text trimmed; at most three
// characters not beginning with "*" get "*." in front ("mp3" becomes
// "*.mp3"); an empty text becomes "*.*". The text is added at the end of
// the list unless the list holds it already (compared exactly).
struct FilterEnter {
  QString text;      // the field's new text, which is the mask
  QStringList list;  // the field's new list
  bool added = false;
};
FilterEnter filterEnter(const QString &fieldText, const QStringList &list);

// The mask while the text is being changed: the text trimmed.
QString filterMask(const QString &fieldText);

// The filter field's list at start: the file types, then "*.*".
QStringList initialFilterList();
inline constexpr const char *kEveryFile = "*.*";

}  // namespace pc
