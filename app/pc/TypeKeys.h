// The type key of a file name: the MIME type's name, or "." and the
// extension in capitals when the MIME database does not know the name ("."
// alone without an extension). The database matches a name against about a
// thousand patterns; a name it does not know costs tens of microseconds
// (every complex pattern is compiled anew), which a folder of thousands of
// voice files (".dvg") would pay for each file. TypeKeys remembers answers
// by the name's extensions wherever the answer cannot depend on more.
#pragma once

#include <QHash>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QString>
#include <optional>

namespace pc {

// The type key, asked of the database every time.
QString typeKeyOf(const QMimeDatabase &db, const QString &fileName);

// The same answers, remembered. One instance per thread. The patterns it
// needs take the database a while to list (once per process), so the
// first few names of a folder are asked directly.
class TypeKeys {
 public:
  QString of(const QString &fileName);
  static constexpr int kAskedFirst = 64;

 private:
  QMimeDatabase db_;
  int asked_ = 0;
  // Names that a pattern other than "*.extension" may match: their type
  // can depend on the whole name.
  std::optional<QRegularExpression> whole_;
  QHash<QString, QString> byExtensions_;
};

}  // namespace pc
