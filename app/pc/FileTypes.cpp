#include "app/pc/FileTypes.h"

#include <QMimeType>
#include <algorithm>
#include <numeric>

#include "app/pc/FolderReader.h"
#include "app/pc/PcModels.h"

namespace pc {

namespace {

// A key of a type the database does not know starts with ".".
bool isUnknown(const QString &key) { return key.startsWith(QLatin1Char('.')); }

}  // namespace

int FileTypes::add(const QString &key) {
  auto it = byKey_.constFind(key);
  if (it != byKey_.constEnd()) return *it;
  const int type = int(types_.size());
  Type t;
  t.key = key;
  t.text = textOf(key);
  types_.push_back(std::move(t));
  byKey_.insert(key, type);
  ranks_.clear();
  return type;
}

QString FileTypes::textOf(const QString &key) const {
  if (isUnknown(key) && key.size() > 1) return unknown_.arg(key.mid(1));
  const QMimeType mime = isUnknown(key) ? db_.mimeTypeForName(QStringLiteral("application/octet-stream"))
                                        : db_.mimeTypeForName(key);
  return mime.comment();
}

void FileTypes::setUnknownText(const QString &text) {
  unknown_ = text.contains(QLatin1String("%1")) ? text : QStringLiteral("%1");
  for (Type &t : types_) t.text = textOf(t.key);
  ranks_.clear();
}

QIcon FileTypes::icon(int type) const {
  const Type &t = types_[type];
  if (!t.iconLoaded) {
    const QMimeType mime = isUnknown(t.key) ? db_.mimeTypeForName(QStringLiteral("application/octet-stream"))
                                            : db_.mimeTypeForName(t.key);
    t.icon = icons_.fileIcon(mime);
    t.iconLoaded = true;
  }
  return t.icon;
}

int FileTypes::rank(int type) const {
  if (ranks_.size() != types_.size()) {
    std::vector<int> order(types_.size());
    std::iota(order.begin(), order.end(), 0);
    const QCollator collator = nameCollator();
    std::sort(order.begin(), order.end(), [&](int a, int b) {
      const int c = collator.compare(types_[a].text, types_[b].text);
      return c != 0 ? c < 0 : types_[a].key < types_[b].key;
    });
    ranks_.assign(types_.size(), 0);
    for (size_t i = 0; i < order.size(); ++i) ranks_[order[i]] = int(i);
  }
  return ranks_[type];
}

}  // namespace pc
