#include "app/pc/TypeKeys.h"

#include <QMimeType>
#include <QStringList>

namespace pc {

namespace {

// "*.ext" and "*.tar.gz": the answer for a name they match depends only on
// the name's ending from a dot on.
bool isExtensionPattern(const QString &pattern) {
  if (!pattern.startsWith(QLatin1String("*.")) || pattern.size() < 3) return false;
  for (qsizetype i = 1; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[')) return false;
  }
  return true;
}

// Every other pattern of the database as one expression, made once.
const QString &wholeNamePatterns() {
  static const QString expression = [] {
    QStringList parts;
    const QMimeDatabase db;
    for (const QMimeType &mime : db.allMimeTypes())
      for (const QString &pattern : mime.globPatterns())
        if (!isExtensionPattern(pattern))
          parts << QRegularExpression::wildcardToRegularExpression(pattern, QRegularExpression::UnanchoredWildcardConversion);
    parts.removeDuplicates();
    // Nothing to look out for still must match nothing.
    return parts.isEmpty() ? QStringLiteral("(?!)") : QStringLiteral("\\A(?:%1)\\z").arg(parts.join(QLatin1Char('|')));
  }();
  return expression;
}

}  // namespace

QString typeKeyOf(const QMimeDatabase &db, const QString &fileName) {
  const QMimeType mime = db.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
  if (!mime.isDefault()) return mime.name();
  // ".profile" has no extension.
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot > 0 ? QLatin1Char('.') + fileName.mid(dot + 1).toUpper() : QStringLiteral(".");
}

QString TypeKeys::of(const QString &fileName) {
  if (asked_ < kAskedFirst) {
    ++asked_;
    return typeKeyOf(db_, fileName);
  }
  if (!whole_) whole_.emplace(wholeNamePatterns(), QRegularExpression::CaseInsensitiveOption);
  // The extensions: from the first dot after the first character on.
  const qsizetype dot = fileName.indexOf(QLatin1Char('.'), 1);
  if (dot < 0 || whole_->match(fileName).hasMatch()) return typeKeyOf(db_, fileName);
  const QString extensions = fileName.mid(dot);
  auto it = byExtensions_.constFind(extensions);
  if (it != byExtensions_.constEnd()) return *it;
  QString key = typeKeyOf(db_, fileName);
  byExtensions_.insert(extensions, key);
  return key;
}

}  // namespace pc
