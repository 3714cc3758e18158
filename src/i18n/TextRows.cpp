// UTF-8 source: the Chinese texts are stored as they are shown.
#include <array>

#include "i18n/TextRows.h"

namespace korvex::i18n {
namespace {

constexpr std::array kFirstHalf = std::to_array<TextRow>({
    {1, "", "", ""},
    {2, "YES", "是", "是"},
    {3, "NO", "否", "否"},
    {30, "Korvex", "Korvex", "Korvex"},
    {67, "Configuration File 1", "配置文件1", "配置文件1"},
    {68, "Configuration File 2", "配置文件2", "配置文件2"},
    {69, "Configuration File 3", "配置文件3", "配置文件3"},
    {70, "Configuration File", "配置文件", "配置文件"},
    {71, "Delete configuration scheme", "删除配置方案", "刪除配置方案"},
    {72, "The last configuration scheme cannot be deleted", "不能删除最后一个配置方案",
     "不能刪除最後一個配置方案"},
    {90, "Top Layer", "Top 层", "Top 层"},
    {91, "Fn Layer", "Fn 层", "Fn 层"},
    {101, "Default Function", "默认功能", "默认功能"},
    {102, "Disable Keys", "禁用按键", "禁用按键"},
    {103, "Custom Function", "自定义功能", "自定义功能"},
    {111, "Custom Key", "自定义按键", "自定義按鍵"},
    {112, "Please select a key on the keyboard", "请在键盘图片上选择一个按键",
     "請在鍵盤圖片上選擇一個按鍵"},
    {120, "Default Function", "默认功能", "默認功能"},
    {121, "Keyboard Function", "键盘功能", "键盘功能"},
    {122, "Mouse", "鼠标功能", "鼠标功能"},
    {123, "Macro", "宏定义", "巨集"},
    {124, "Multimedia", "多媒体", "多媒体"},
    {125, "Mac Shortcut", "快捷方式", "快捷方式"},
    {131, "Left Click", "左键", "左键单击"},
    {132, "Right Click", "右键", "右键单击"},
    {133, "Middle Click", "中键", "中键单击"},
    {134, "Double Click", "左键双击", "双击"},
    {135, "Scroll Up", "滚轮向上", "向上滚动"},
    {136, "Scroll Down", "滚轮向下", "向下滚动"},
    {137, "Mouse Button 4", "按钮4", "鼠标按钮4"},
    {138, "Mouse Button 5", "按钮5", "鼠标按钮5"},
    {145, "Play / Pause", "播放/暂停", "播放/暫停"},
    {146, "Stop", "停止", "停止"},
    {147, "Previous", "上一首", "上一首"},
    {148, "Next", "下一首", "下一首"},
    {149, "Volume +", "音量+", "音量+"},
    {150, "Volume -", "音量-", "音量-"},
    {151, "Mute", "静音", "靜音"},
    {156, "Backlight bright", "背光亮", "背光亮"},
    {157, "Backlight dim", "背光暗", "背光暗"},
    {158, "Mission control", "控制中心", "控制中心"},
    {159, "Copy", "复制", "複製"},
    {160, "Paste", "粘贴", "粘贴"},
    {161, "Cut", "剪贴", "剪貼"},
    {165, "Function Type", "功能类型", "功能類型"},
    {166, "Save", "保存", "保存"},
    {167, "Please select a type", "请选择一种类型", "請選擇一種類型"},
    {168, "Play once", "播放一次", "播放一次"},
    {169, "Play multiple times", "播放多次", "播放多次"},
    {170, "Stop when pressed again", "再按键时停止", "再按鍵時停止"},
    {171, "Loop count(1 ~ 255)", "循环计数(1 ~ 255)", "循環計數(1 ~ 255)"},
    {180, "Macro List", "宏列表", "巨集列表"},
    {181, "Macro Record", "宏记录", "巨集記錄"},
    {182, "New", "新建", "新建"},
    {183, "Delete", "删除", "删除"},
    {184, "Recording Delay", "记录时延", "记录时延"},
    {185, "No Delay", "无时延", "无时延"},
    {186, "Default", "默认", "默认"},
    {187, "Repeats", "重复", "重复"},
    {188, "Insert Event", "插入事件", "插入事件"},
    {189, "Keyboard", "键盘", "鍵盤"},
    {190, "Mouse", "鼠标", "鼠標"},
    {191, "Delay", "时延", "時延"},
    {192, "Insert", "插入", "插入"},
    {193, "Save", "保存", "保存"},
    {200, "Stop Record", "停止录制", "停止錄製"},
    {201, "Record", "录制", "錄製"},
    {210, "Macro", "宏", "巨集"},
    {211, "Delete macro data item", "删除宏数据项", "刪除巨集數據項"},
    {212, "Please select macro list data", "请选择宏列表项", "請選擇巨集列表項"},
    {220, "[MOUSE DOWN] Left Button", "[MOUSE DOWN] 左键", "[MOUSE DOWN] 左鍵"},
    {221, "[MOUSE UP] Left Button", "[MOUSE UP] 左键", "[MOUSE UP] 左鍵"},
    {222, "[MOUSE DOWN] Middle button", "[MOUSE DOWN] 中键", "[MOUSE DOWN] 中鍵"},
    {223, "[MOUSE UP] Middle button", "[MOUSE UP] 中键", "[MOUSE UP] 中鍵"},
    {224, "[MOUSE DOWN] Right Button", "[MOUSE DOWN] 右键", "[MOUSE DOWN] 右鍵"},
    {225, "[MOUSE UP] Right Button", "[MOUSE UP] 右键", "[MOUSE UP] 右鍵"},
    {230, "Insert Event Before", "在这之前插入事件", "在這之前插入事件"},
    {231, "Insert Event After", "在这之后插入事件", "在這之後插入事件"},
    {232, "Left Button", "左键", "左鍵"},
    {233, "Middle Button", "中键", "中鍵"},
    {234, "Right Button", "右键", "右鍵"},
});

constexpr std::array kSecondHalf = std::to_array<TextRow>({
    {500, "Static", "静态恒亮", "静态恒亮"},
    {501, "SingleOn", "单点亮", "单点亮"},
    {502, "SingleOff", "单点灭", "单熄灭"},
    {503, "Glittering", "繁星点点", "繁星点点"},
    {504, "Falling", "漫天飞雪", "漫天飞雪"},
    {505, "Colourful", "百花争艳", "百花争艳"},
    {506, "Breath", "动态呼吸", "动态呼吸"},
    {507, "Spectrum", "光谱循环", "光谱循环"},
    {508, "Outward", "彩泉涌动", "彩泉涌动"},
    {509, "Scrolling", "多彩纵横", "多彩纵横"},
    {510, "Rolling", "随波逐流", "随波逐流"},
    {511, "Rotating", "峰回路转", "峰回路转"},
    {512, "Explode", "一触即发", "一触即发"},
    {513, "Launch", "一石二鸟", "一石二鸟"},
    {514, "Ripples", "涟漪扩散", "涟漪扩散"},
    {515, "Flowing", "川流不息", "川流不息"},
    {516, "Pulsating", "重峦叠嶂", "重峦叠嶂"},
    {517, "Tilt", "斜风细雨", "斜风细雨"},
    {518, "Shuttle", "来回穿梭", "来回穿梭"},
    {519, "Close Backlight", "关闭背光", "关闭背光"},
    {530, "Random color", "随机颜色", "隨機顏色"},
    {531, "Brightness", "灯光亮度", "燈光亮度"},
    {532, "Speed", "灯光速度", "燈光速度"},
    {535, "Light Sleep Time", "灯光休眠时间", "燈光休眠時間"},
    {536, "Not Sleep", "不休眠", "不休眠"},
    {537, "1 min", "1分钟", "1分鐘"},
    {538, "5 min", "5分钟", "5分鐘"},
    {539, "30 min", "30分钟", "30分鐘"},
    {560, "Reset", "重置", "重置"},
    {561, "Apply", "应用", "應用"},
    {566, "User light", "用户灯光", "用戶燈光"},
    {567, "Please add user lights", "请添加用户灯光", "请添加用户灯光"},
    {600, "Fn Switch function", "Fn 开关功能", "Fn 開關功能"},
    {601, "Momentary", "正常模式", "正常模式"},
    {602, "Toggle", "Fn键开关模式", "Fn鍵開關模式"},
    {603, "Language", "语言", "語言"},
    {605, "Game Mode", "游戏模式", "遊戲模式"},
    {606, "Lock Command", "锁Command", "鎖Command"},
    {607, "Disabled", "禁用", "禁用"},
    {610, "Reset keyboard", "重置当前配置", "重置當前配置"},
    {611, "Restore Factory Settings", "恢复出厂设置", "恢復出廠設置"},
    {620, "Resetting the keyboard will erase all keyboard data. Continue?",
     "重置当前配置删除键盘当前数据，是否继续?", "重置當前配置刪除鍵盤當前數據，是否繼續?"},
    {621, "Restoring factory settings will erase all data. Continue?",
     "恢复出厂设置会删除所有数据，是否继续?", "恢復出廠設置會刪除所有數據，是否繼續?"},
    {900, "The macros are too large for the keyboard", "宏数据太大，键盘无法保存",
     "巨集數據太大，鍵盤無法保存"},
    {901, "The last change is stored, but the keyboard keeps its previous macros.",
     "最后的修改已保存，但键盘仍保留之前的宏。", "最後的修改已保存，但鍵盤仍保留之前的巨集。"},
});

// Lookups binary-search the rows, so a row typed out of order or twice must not build.
template <std::size_t N>
constexpr bool ascendingWithin(const std::array<TextRow, N>& rows, int min, int max) {
    for (std::size_t i = 0; i < N; ++i) {
        if (rows[i].id < min || rows[i].id > max) return false;
        if (i > 0 && rows[i - 1].id >= rows[i].id) return false;
    }
    return true;
}
static_assert(ascendingWithin(kFirstHalf, kFirstHalfMin, kFirstHalfMax));
static_assert(ascendingWithin(kSecondHalf, kSecondHalfMin, kSecondHalfMax));

}  // namespace

std::span<const TextRow> firstHalfRows() {
    return kFirstHalf;
}
std::span<const TextRow> secondHalfRows() {
    return kSecondHalf;
}

}  // namespace korvex::i18n
