// The types of the files in the PC list: the text of the type column and
// the icon, one entry per type key (FolderReader's FileEntry::typeKey),
// made the first time the key is seen. Icons come from the icon provider
// and are looked up once per type, never per file.
#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>
#include <vector>

namespace pc {

class PcIconProvider;

class FileTypes {
 public:
  explicit FileTypes(const PcIconProvider &icons) : icons_(icons) {}

  // The number of the type with this key, added when new.
  int add(const QString &key);
  const QString &text(int type) const { return types_[type].text; }
  QIcon icon(int type) const;
  // The position of the type's text among all texts (natural order), for
  // sorting by type; valid until the next add().
  int rank(int type) const;

  // The text of a type the MIME database does not know, with %1 for the
  // extension in capitals ("%1 file").
  void setUnknownText(const QString &text);

 private:
  struct Type {
    QString key;
    QString text;
    mutable QIcon icon;
    mutable bool iconLoaded = false;
  };
  QString textOf(const QString &key) const;

  const PcIconProvider &icons_;
  QMimeDatabase db_;
  QString unknown_ = QStringLiteral("%1");
  std::vector<Type> types_;
  QHash<QString, int> byKey_;
  mutable std::vector<int> ranks_;
};

}  // namespace pc
