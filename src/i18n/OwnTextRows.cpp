// UTF-8 source. Texts of this program that the original tables lack: the tray
// menu, the upload indicator and the sheets about files and USB access.
#include <array>

#include "i18n/TextRows.h"

namespace korvex::i18n {
namespace {

constexpr std::array kOwnRows = std::to_array<TextRow>({
    {800, "Show Korvex", "显示 Korvex", "顯示 Korvex"},
    {801, "Quit", "退出", "結束"},
    {802, "Keyboard not available", "键盘不可用", "鍵盤無法使用"},
    {803, "Cannot watch for the keyboard", "无法监视键盘", "無法監視鍵盤"},
    {804, "Settings cannot be read", "无法读取设置", "無法讀取設定"},
    {805,
     "The settings file\n%1\ncannot be used: %2\n\nNothing was changed. Move the file away to "
     "start with fresh settings.",
     "设置文件\n%1\n无法使用：%2\n\n未做任何更改。将该文件移走即可使用全新的设置。",
     "設定檔\n%1\n無法使用：%2\n\n未做任何變更。將該檔案移走即可使用全新的設定。"},
    {806, "Sending to keyboard...", "正在发送到键盘…", "正在傳送到鍵盤…"},
    {807, "Keyboard did not take the last change", "键盘未接受最近的更改", "鍵盤未接受最近的變更"},
    {810, "Neither XDG_DATA_HOME nor HOME is set.", "XDG_DATA_HOME 和 HOME 均未设置。",
     "XDG_DATA_HOME 和 HOME 均未設定。"},
    {811, "The folder or the file cannot be created.", "无法创建文件夹或文件。",
     "無法建立資料夾或檔案。"},
    {812, "The file cannot be opened.", "无法打开该文件。", "無法開啟該檔案。"},
    {813, "The file is not a settings database.", "该文件不是设置数据库。",
     "該檔案不是設定資料庫。"},
    {814, "The file or its folder cannot be written.", "该文件或其所在文件夹无法写入。",
     "該檔案或其所在資料夾無法寫入。"},
    {815, "Another program is using the file.", "另一个程序正在使用该文件。",
     "另一個程式正在使用該檔案。"},
    {816, "The settings tables could not be created.", "无法创建设置数据表。",
     "無法建立設定資料表。"},
    {820, "No keyboard found.", "未找到键盘。", "找不到鍵盤。"},
    {821,
     "You may not open the keyboard. Install the udev rule (see the README), then plug the "
     "keyboard in again.",
     "无权打开键盘。请安装 udev 规则（见 README），然后重新插入键盘。",
     "無權開啟鍵盤。請安裝 udev 規則（見 README），然後重新插入鍵盤。"},
    {822, "Another program is using the keyboard's configuration interface.",
     "另一个程序正在使用键盘的配置接口。", "另一個程式正在使用鍵盤的設定介面。"},
    {900, "Export Profile...", "导出配置文件…", "匯出配置文件…"},
    {901, "Import Profile...", "导入配置文件…", "匯入配置文件…"},
    {902, "Restore from backup", "从备份恢复", "從備份還原"},
    {903, "Start with the desktop", "随桌面启动", "隨桌面啟動"},
    {904, "Korvex profile files (*.json)", "Korvex 配置文件 (*.json)", "Korvex 配置文件 (*.json)"},
    {905, "Profile exported to %1", "配置文件已导出到 %1", "配置文件已匯出到 %1"},
    {906, "The profile could not be exported: %1", "无法导出配置文件：%1", "無法匯出配置文件：%1"},
    {907, "Imported as a new profile: %1", "已导入为新配置文件：%1", "已匯入為新配置文件：%1"},
    {908, "The file was not imported: %1", "文件未导入：%1", "檔案未匯入：%1"},
    {909, "Macros renamed because their names were taken: %1", "以下宏因名称已被使用而重新命名：%1",
     "以下巨集因名稱已被使用而重新命名：%1"},
    {910, "Choose a backup to restore. The current settings are backed up first.",
     "请选择要恢复的备份。当前设置会先备份。", "請選擇要還原的備份。目前的設定會先備份。"},
    {911, "There are no backups yet.", "还没有任何备份。", "還沒有任何備份。"},
    {912, "Restore", "恢复", "還原"},
    {913, "Restoring replaces all current settings. Continue?",
     "恢复备份会替换当前所有设置，是否继续?", "還原備份會取代目前所有設定，是否繼續?"},
    {914, "The settings could not be restored: %1", "无法恢复设置：%1", "無法還原設定：%1"},
    {915,
     "The settings database is damaged and was left untouched. Restore the newest backup (%1)?",
     "设置数据库已损坏，程序没有改动它。是否恢复最新的备份（%1）?",
     "設定資料庫已損壞，程式沒有改動它。是否還原最新的備份（%1）?"},
    {916,
     "The settings database is damaged and was left untouched: %1. There is no backup to restore.",
     "设置数据库已损坏，程序没有改动它：%1。没有可以恢复的备份。",
     "設定資料庫已損壞，程式沒有改動它：%1。沒有可以還原的備份。"},
    {917, "No backup could be made, so nothing was changed: %1",
     "无法创建备份，因此没有做任何更改：%1", "無法建立備份，因此沒有做任何變更：%1"},
    {918, "Before restoring factory settings", "恢复出厂设置之前", "恢復出廠設置之前"},
    {919, "Before resetting a profile", "重置配置文件之前", "重置配置文件之前"},
    {920, "Before deleting a profile", "删除配置文件之前", "刪除配置文件之前"},
    {921, "Before an import", "导入之前", "匯入之前"},
    {922, "Before restoring a backup", "恢复备份之前", "還原備份之前"},
    {923, "Backed up by hand", "手动备份", "手動備份"},
    {924, "Damaged database, kept as found", "已损坏的数据库（原样保留）",
     "已損壞的資料庫（原樣保留）"},
    {925, "Korvex keeps running in the tray. Use Quit in the tray menu to end it.",
     "Korvex 会在系统托盘中继续运行。要退出程序，请使用托盘菜单中的“退出”。",
     "Korvex 會在系統匣中繼續執行。要結束程式，請使用系統匣選單中的「結束」。"},
    {926, "Quit", "退出", "結束"},
    {927, "Cancel", "取消", "取消"},
    {928, "The desktop start entry could not be changed: %1", "无法更改随桌面启动的设置：%1",
     "無法變更隨桌面啟動的設定：%1"},
    // The macro page: a macro image too large for the keyboard.
    {930, "The macros are too large for the keyboard", "宏数据太大，键盘无法保存",
     "巨集資料太大，鍵盤無法儲存"},
    {931, "The last change is stored, but the keyboard keeps its previous macros.",
     "最后的修改已保存，但键盘仍保留之前的宏。", "最後的修改已儲存，但鍵盤仍保留之前的巨集。"},
    // The user light page: its file dialogs, tooltips and the reasons a file is refused.
    {950, "User light files (*.json)", "用户灯光文件 (*.json)", "用戶燈光檔案 (*.json)"},
    {951, "Export user light", "导出用户灯光", "匯出用戶燈光"},
    {952, "Import user light", "导入用户灯光", "匯入用戶燈光"},
    {953, "Rename", "重命名", "重新命名"},
    {954, "Import from a file", "从文件导入", "從檔案匯入"},
    {955, "Export to a file", "导出到文件", "匯出至檔案"},
    {956, "The user light could not be exported.", "无法导出用户灯光。", "無法匯出用戶燈光。"},
    {957, "The user light could not be imported.", "无法导入用户灯光。", "無法匯入用戶燈光。"},
    {958, "%1: %2", "%1：%2", "%1：%2"},
    {959, "%1: the settings database did not take it.", "%1：设置数据库未能保存它。",
     "%1：設定資料庫未能儲存它。"},
    {960, "The file is not valid JSON: %1 at line %2, column %3.",
     "该文件不是有效的 JSON：%1，位于第 %2 行第 %3 列。",
     "該檔案不是有效的 JSON：%1，位於第 %2 行第 %3 欄。"},
    {961, "The file is not a user light file.", "该文件不是用户灯光文件。",
     "該檔案不是用戶燈光檔案。"},
    {962, "The file has version %1; this program reads version %2.",
     "该文件的版本为 %1；本程序只能读取版本 %2。", "該檔案的版本為 %1；本程式只能讀取版本 %2。"},
    {963, "(none)", "（无）", "（無）"},
    {964, "The file gives no scheme name.", "该文件未提供方案名称。", "該檔案未提供方案名稱。"},
    {965, "The file lists no keys.", "该文件未列出任何按键。", "該檔案未列出任何按鍵。"},
    {966, "Entry %1", "第 %1 项", "第 %1 項"},
    {967, "%1 of the key list is not a key.", "按键列表中的%1不是按键。",
     "按鍵列表中的%1不是按鍵。"},
    {968, "%1 names the key %2, which this keyboard does not have.",
     "%1指定的按键 %2 在此键盘上不存在。", "%1指定的按鍵 %2 在此鍵盤上不存在。"},
    {969, "The key %1 has the code %2; on this keyboard it is %3.",
     "按键 %1 的代码为 %2；在此键盘上应为 %3。", "按鍵 %1 的代碼為 %2；在此鍵盤上應為 %3。"},
    {970, "The key %1 has the colour %2; colours are written #RRGGBB.",
     "按键 %1 的颜色为 %2；颜色应写作 #RRGGBB。", "按鍵 %1 的顏色為 %2；顏色應寫作 #RRGGBB。"},
    {971, "The key %1 is listed twice.", "按键 %1 被列出了两次。", "按鍵 %1 被列出了兩次。"},
    {972, "the file is too large to be a user light file", "文件过大，不可能是用户灯光文件",
     "檔案過大，不可能是用戶燈光檔案"},
    // The one button of the pages' warning sheets.
    {973, "OK", "确定", "確定"},
    // Autostart from a program that is not installed.
    {1700,
     "At login Korvex will be started from %1, inside a build folder: it stops starting once "
     "that folder is rebuilt or removed. Install Korvex and switch this on again from the "
     "installed program.",
     "登录时将从构建文件夹中的 %1 启动 Korvex：该文件夹被重新构建或删除后将无法启动。请安装 "
     "Korvex，并在已安装的程序中重新开启此项。",
     "登入時將從建置資料夾中的 %1 啟動 Korvex：該資料夾被重新建置或刪除後將無法啟動。請安裝 "
     "Korvex，並在已安裝的程式中重新開啟此項。"},
});

static_assert(ascendingWithin(kOwnRows, kOwnMin, kOwnMax));

}  // namespace

std::span<const TextRow> ownRows() {
    return kOwnRows;
}

}  // namespace korvex::i18n
