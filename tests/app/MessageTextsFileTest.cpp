// The shipped Q417.ini: a clear text for every key that the windows use.
#include <gtest/gtest.h>

#include "QtTestEnvironment.h"
#include "components/texts/MessageTexts.h"

namespace {

const char *const kKeys[] = {
    // main window menus, pop-up menus and hints
    "FM_PDtitlefile", "FM_PDedit", "FM_PDconvert", "FM_PDmail", "FM_PDspeed", "FM_PDexit", "FM_PDtitlememory",
    "FM_PDflashformat", "FM_PDtitlehelp", "FM_PDhelp", "FM_PDabout", "FM_PUHplay", "FM_PUHpause", "FM_PUHstop",
    "FM_PUHopen", "FM_PUHconvert", "FM_PUHedit", "FM_PUHmail", "FM_PUHspeed", "FM_PUHcut", "FM_PUHcopy",
    "FM_PUHpaste", "FM_PUHallssel", "FM_PUHdel", "FM_PUHattr", "FM_PUHrename", "FM_PUHrefresh", "FM_PUFplay",
    "FM_PUFpause", "FM_PUFstop", "FM_PUFup", "FM_PUFdown", "FM_PUFupload", "FM_PUFallssel", "FM_PUFdel",
    "FM_button_sprecord", "FM_button_play", "FM_button_pause", "FM_button_stop", "FM_button_cut", "FM_button_copy",
    "FM_button_paste", "FM_buttoN_Convert", "FM_button_wavedit", "FM_button_email", "FM_buttoN_Speed",
    "FM_trackbar_wavvolume", "FM_trackbar_position", "FM_button_onelevelup", "FM_button_newfolder",
    "FM_button_fileviewtype", "FM_button_toflash", "FM_button_tofile",
    // message boxes
    "FM_kind_errormsg0", "FM_kind_errormsg1", "FM_kind_errormsg2", "FM_msg_dlg0", "FM_msg_dlg1", "FM_msg_dlg2",
    "FM_msg_dlg3", "FM_text_system_errmsg0", "FM_text_system_errmsg2", "FM_text_system_errmsg3",
    "FM_text_system_errmsg5", "FM_text_system_errmsg6", "FM_text_system_errmsg7", "FM_text_system_errmsg10",
    "FM_text_system_errmsg11", "FM_text_system_errmsg12", "FM_text_system_errmsg13", "FM_text_pen_errmsg0",
    "FM_text_pen_errmsg1", "FM_text_pen_errmsg2", "FM_text_pen_errmsg3", "FM_text_pen_errmsg4",
    "FM_text_pen_errmsg5", "FM_text_pen_errmsg6", "FM_text_pen_errmsg7", "FM_text_pen_errmsg8",
    "FM_text_pen_errmsg10", "FM_text_pen_errmsg12", "FM_text_pen_errmsg13", "FM_text_pen_errmsg15",
    "FM_text_pen_errmsg16", "FM_Caption_title0", "FM_Caption_title1", "FM_Caption_title2", "FM_Caption_title3",
    "FM_Caption_title4", "FM_Caption_title5", "FM_Caption_title8", "FM_Caption_text0", "FM_Caption_text1",
    "FM_Caption_text2", "FM_Caption_text3", "FM_Caption_text4", "FEM_mail_errmsg6",
    // progress, model and conversion dialogs
    "FP_button_cancel", "FMD_form_model", "FMD_label_line1", "FMD_label_line2", "FMD_label_modelname",
    "FMD_button_cancel", "FMD_button_start", "FC_label_outputfolder", "FC_CheckBox_overwrite", "FC_button_go",
    "FC_button_cancel",
    // editor
    "FE_kind_wavemsg0", "FE_kind_wavemsg1", "FE_wav_msg0", "FE_wav_msg1", "FE_wav_msg2", "FE_wav_msg3",
    "FE_wav_msg4", "FE_wav_msg5", "FE_wav_msg6", "FE_wav_msg7", "FE_wav_msg8", "FE_wav_msg9", "FE_wav_msg10",
    "FE_wav_msg11", "FE_wav_msg12", "FE_wav_msg13", "FE_wav_msg14", "FE_wav_msg15", "FE_wav_msg16",
    "FE_wav_msg17", "FE_label_view", "FE_label_edit", "FE_PDtitlefile", "FE_PDopenedit", "FE_PDsaveas",
    "FE_PDClosedownfile", "FE_PDopenview", "FE_PDCloseupfile", "FE_PDexit", "FE_PDtitleedit", "FE_PDundo",
    "FE_PDresetundo", "FE_PDblocksave", "FE_PDcut", "FE_PDtrim", "FE_PDblockcopy", "FE_PDblockpaste",
    "FE_PDselectallswitch", "FE_PDinsertblank", "FE_PDscaleup", "FE_PDscaledown", "FE_PDscalereset",
    "FE_PDsamewidthwindow", "FE_PDtitleview", "FE_PUvolumepopupnew", "FE_PUvolumepopupdelete",
    "FE_PUMarkerpopupAddMarker", "FE_PUMarkerpopupdelete", "FE_PUMarkerpopupalldelete", "FE_PUSelectionPopupzoom",
    "FE_PUSelectionPopupClearselection", "FE_PUSelectionPopupPlay", "FE_button_play", "FE_button_pause",
    "FE_button_stop", "FE_CheckBox_repeat", "FE_trackbar_wavvolume", "FE_button_openupfile", "FE_button_upclose",
    "FE_button_upblocksave", "FE_button_viewcopy", "FE_button_normalrange", "FE_button_opendownfile",
    "FE_button_downclose", "FE_button_saveas", "FE_button_downblocksave", "FE_button_copy", "FE_button_cut",
    "FE_button_trim", "FE_button_paste", "FE_button_oneblank", "FE_button_scaleup", "FE_button_scaledown",
    "FE_button_reset", "FE_button_cancel",
    // speed player
    "FS_PDtitlefile", "FS_PDopen", "FS_PDclose", "FS_PDexit", "FS_PDtitlewindow", "FS_PDSelectAllswitch",
    "FS_PDNormalrange", "FS_PUSelectionPopupzoom", "FS_PUSelectionPopupDiscardSelection",
    "FS_PUSelectionPopupPlay", "FS_button_openfile", "FS_button_closefile", "FS_button_play", "FS_button_pause",
    "FS_button_stop", "FS_checkbox_repeat", "FS_button_normalrange", "FS_trackbar_wavvolume", "FS_trackbar_speed",
    "FS_button_cancel", "FS_kind_wavemsg0", "FS_kind_wavemsg1", "FS_wav_msg0", "FS_wav_msg1", "FS_wav_msg2"};

TEST(ShippedMessageTexts, EveryKeyHasAText) {
  auto texts = components::MessageTexts::load(testsupport::sourceDataFolder() / "Q417.ini");
  ASSERT_FALSE(texts.file().empty()) << "data/Q417.ini not found";
  EXPECT_EQ(texts.charset(), 1);
  EXPECT_FALSE(texts.charsetInvalid());
  for (const char *key : kKeys) EXPECT_FALSE(texts.text(key).empty()) << key;
  // Appended to a format name: its leading blank survives the trimming.
  EXPECT_EQ(texts.text("FE_wav_msg0").front(), ' ');
}

}  // namespace
