// Message texts as the windows use them.
#pragma once

#include <QString>
#include <string_view>

#include "components/texts/MessageTexts.h"

namespace app {

inline QString uiText(const components::MessageTexts &texts, std::string_view key) {
  return QString::fromStdString(texts.text(key));
}

inline QString uiText(const components::MessageTexts &texts, std::string_view key, std::string_view fallback) {
  return QString::fromStdString(texts.text(key, fallback));
}

}  // namespace app
