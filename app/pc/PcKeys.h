// The message-text keys of the PC browser.
#pragma once

#include <string_view>

namespace pc::keys {

// Captions of message boxes.
inline constexpr std::string_view kKindProgram = "FM_kind_errormsg0";
inline constexpr std::string_view kKindNotice = "FM_kind_errormsg2";

// Pop-up menu m_PupMuPC.
inline constexpr std::string_view kPlay = "FM_PUHplay", kPause = "FM_PUHpause", kStop = "FM_PUHstop",
                                  kOpen = "FM_PUHopen", kConvert = "FM_PUHconvert", kEdit = "FM_PUHedit",
                                  kMail = "FM_PUHmail", kSpeed = "FM_PUHspeed", kCut = "FM_PUHcut",
                                  kCopy = "FM_PUHcopy", kPaste = "FM_PUHpaste", kSelectAll = "FM_PUHallssel",
                                  kErase = "FM_PUHdel", kAttribute = "FM_PUHattr", kRename = "FM_PUHrename",
                                  kRefresh = "FM_PUHrefresh";

// Hints of the tool row.
inline constexpr std::string_view kHintConvert = "FM_buttoN_Convert", kHintWaveEdit = "FM_button_wavedit",
                                  kHintEmail = "FM_button_email", kHintSpeed = "FM_buttoN_Speed",
                                  kHintUp = "FM_button_onelevelup", kHintNewFolder = "FM_button_newfolder",
                                  kHintViewStyle = "FM_button_fileviewtype", kHintCopy = "FM_button_copy",
                                  kHintCut = "FM_button_cut", kHintPaste = "FM_button_paste";

// The browser's own names and captions.
inline constexpr std::string_view kDrives = "FM_pc_drives";
inline constexpr std::string_view kRootFolder = "FM_pc_rootfolder";
inline constexpr std::string_view kHomeFolder = "FM_pc_homefolder";
inline constexpr std::string_view kNewFolder = "FM_pc_newfolder";
inline constexpr std::string_view kFolderTree = "FM_pc_foldertree";
inline constexpr std::string_view kFileList = "FM_pc_filelist";
inline constexpr std::string_view kPathField = "FM_pc_pathfield";
inline constexpr std::string_view kFilterField = "FM_pc_filterfield";
inline constexpr std::string_view kColName = "FM_pc_col_name", kColSize = "FM_pc_col_size",
                                  kColType = "FM_pc_col_type", kColModified = "FM_pc_col_modified";
inline constexpr std::string_view kFileType = "FM_pc_filetype";
inline constexpr std::string_view kFreeOf = "FM_pc_freeof";

// Attributes dialog.
inline constexpr std::string_view kAttrCaption = "FM_pc_attr_caption", kAttrReadOnly = "FM_pc_attr_readonly",
                                  kAttrArchive = "FM_pc_attr_archive", kAttrHidden = "FM_pc_attr_hidden",
                                  kAttrSystem = "FM_pc_attr_system";
inline constexpr std::string_view kOk = "FM_msg_dlg0", kCancel = "FM_msg_dlg3";

// Questions and refusals of the file operations.
inline constexpr std::string_view kTrashFiles = "FM_pc_trash_files";
inline constexpr std::string_view kNoTrash = "FM_pc_no_trash";
inline constexpr std::string_view kDeleteFailed = "FM_pc_delete_failed";
inline constexpr std::string_view kTrashFolder = "FM_pc_trash_folder";
inline constexpr std::string_view kTrashFolderFailed = "FM_pc_trash_folder_failed";
inline constexpr std::string_view kFolderProtected = "FM_pc_folder_protected";
inline constexpr std::string_view kFileBusy = "FM_pc_file_busy";
inline constexpr std::string_view kNameExists = "FM_pc_name_exists";
inline constexpr std::string_view kNameInvalid = "FM_pc_name_invalid";
inline constexpr std::string_view kRenameReadOnly = "FM_pc_rename_readonly";
inline constexpr std::string_view kRenameFailed = "FM_pc_rename_failed";
inline constexpr std::string_view kNothingToPaste = "FM_pc_nothing_to_paste";
inline constexpr std::string_view kCopyFailed = "FM_pc_copy_failed";
inline constexpr std::string_view kCopyIntoItself = "FM_pc_copy_into_itself";
inline constexpr std::string_view kCopying = "FM_pc_copying";
inline constexpr std::string_view kMoving = "FM_pc_moving";
inline constexpr std::string_view kFolderFailed = "FM_pc_folder_failed";
inline constexpr std::string_view kOpenFailed = "FM_pc_open_failed";
inline constexpr std::string_view kNotFound = "FM_pc_not_found";
inline constexpr std::string_view kAttrFailed = "FM_pc_attr_failed";

}  // namespace pc::keys
