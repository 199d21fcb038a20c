// A folder of the test's own under the temporary folder, removed at the end.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace pctest {

class TempTree {
 public:
  explicit TempTree(const QString &base = {});
  QString path(const QString &relative = {}) const;
  // Writes a file (folders made as needed); returns its path.
  QString file(const QString &relative, const QByteArray &bytes = "x") const;
  QString folder(const QString &relative) const;
  QByteArray read(const QString &relative) const;
  bool exists(const QString &relative) const;
  bool valid() const { return dir_.isValid(); }

 private:
  QTemporaryDir dir_;
};

}  // namespace pctest
