// Ext_MessageBox: the one message box of the application. Caption, text and
// button captions are keys of the message texts.
#pragma once

#include <QWidget>
#include <string>
#include <string_view>

#include "components/JobUi.h"
#include "components/texts/MessageTexts.h"

namespace app {

// kind: warning, error, information or confirmation. buttons: {OK} (4),
// {Yes, No} (3) or {Yes, No, Cancel} (11), captioned by FM_msg_dlg0 to 3.
// Returns the pressed button's modal result (1 OK, 6 Yes, 7 No, 2 Cancel);
// Escape or the window's close button answer Cancel when the box has it,
// else No, else OK. A box closed from outside returns the result it was
// closed with.
// prefix, when given, goes before the text (a file name and " : ").
int Ext_MessageBox(QWidget *parent, const components::MessageTexts &texts, std::string_view captionKey,
                   std::string_view textKey, components::MsgKind kind, int buttons, const std::string &prefix = {});

}  // namespace app
