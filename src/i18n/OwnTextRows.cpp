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
});

static_assert(ascendingWithin(kOwnRows, kOwnMin, kOwnMax));

}  // namespace

std::span<const TextRow> ownRows() {
    return kOwnRows;
}

}  // namespace korvex::i18n
