#pragma once
// The system's fixed texts in code page 936, as byte escapes (source files are UTF-8). Each
// carries its meaning in a comment; tests compare bytes. A string break ("" "") stops a hex
// escape from swallowing a following digit or letter.

namespace kl8::gbk {

// "#引号": stands for a double quote in patterns and markers.
inline constexpr const char QUOTE_MARKER[] = "#\xD2\xFD\xBA\xC5";
// "彩票信息.txt": the record file's name.
inline constexpr const char RECORD_FILE_NAME[] = "\xB2\xCA\xC6\xB1\xD0\xC5\xCF\xA2.txt";
// "当前导出数据：": the progress label's prefix (14 bytes).
inline constexpr const char PROGRESS_PREFIX[] =
    "\xB5\xB1\xC7\xB0\xB5\xBC\xB3\xF6\xCA\xFD\xBE\xDD\xA3\xBA";
// "获取结束": the finish notice.
inline constexpr const char FINISH_NOTICE[] = "\xBB\xF1\xC8\xA1\xBD\xE1\xCA\xF8";
// "信息：": the finish notice's caption.
inline constexpr const char FINISH_CAPTION[] = "\xD0\xC5\xCF\xA2\xA3\xBA";
// "运行时出错!\r\n\r\n": the fatal report's first line.
inline constexpr const char FATAL_HEADER[] = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n";
// "错误代码：": the fatal report's code label.
inline constexpr const char FATAL_CODE_LABEL[] = "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";
// "错误信息：": the fatal report's message label.
inline constexpr const char FATAL_MESSAGE_LABEL[] = "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";
// "错误": the fatal report's caption.
inline constexpr const char FATAL_CAPTION[] = "\xB4\xED\xCE\xF3";
// "分配 %d 字节内存失败!": out of memory, with the requested byte count.
inline constexpr const char MSG_OUT_OF_MEMORY[] =
    "\xB7\xD6\xC5\xE4 %d \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!";
// "数组成员引用下标超出定义范围": a list index above the count.
inline constexpr const char MSG_INDEX_ABOVE[] =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA\xB3\xAC\xB3\xF6\xB6\xA8\xD2"
    "\xE5\xB7\xB6\xCE\xA7";
// "数组成员引用下标必须大于等于1": a list index below 1.
inline constexpr const char MSG_INDEX_BELOW[] =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA\xB1\xD8\xD0\xEB\xB4\xF3\xD3"
    "\xDA\xB5\xC8\xD3\xDA"
    "1";
// 年 月 日 时 分 秒: the date and time marks.
inline constexpr const char YEAR_MARK[] = "\xC4\xEA";
inline constexpr const char MONTH_MARK[] = "\xD4\xC2";
inline constexpr const char DAY_MARK[] = "\xC8\xD5";
inline constexpr const char HOUR_MARK[] = "\xCA\xB1";
inline constexpr const char MINUTE_MARK[] = "\xB7\xD6";
inline constexpr const char SECOND_MARK[] = "\xC3\xEB";
// "北京快乐8 彩票数据——Zarnovel": the main window's title.
inline constexpr const char WINDOW_TITLE[] =
    "\xB1\xB1\xBE\xA9\xBF\xEC\xC0\xD6"
    "8 \xB2\xCA\xC6\xB1\xCA\xFD\xBE\xDD\xA1\xAA\xA1\xAAZarnovel";
// "从那天开始导出：": the date box's label.
inline constexpr const char LABEL1_TEXT[] =
    "\xB4\xD3\xC4\xC7\xCC\xEC\xBF\xAA\xCA\xBC\xB5\xBC\xB3\xF6\xA3\xBA";
// "开始": the start button.
inline constexpr const char BUTTON1_TEXT[] = "\xBF\xAA\xCA\xBC";
// "该彩票是从2010.9.3开卖的！所以要导出所有的话，日期请选择2010.9.3,数据会导出在当前目录下的
// 彩票信息.txt": the red note (one line, a space before 彩票信息.txt).
inline constexpr const char LABEL2_TEXT[] =
    "\xB8\xC3\xB2\xCA\xC6\xB1\xCA\xC7\xB4\xD3"
    "2010.9.3\xBF\xAA\xC2\xF4\xB5\xC4\xA3\xA1\xCB\xF9\xD2\xD4\xD2\xAA\xB5\xBC\xB3\xF6\xCB\xF9\xD3"
    "\xD0\xB5\xC4\xBB\xB0\xA3\xAC\xC8\xD5\xC6\xDA\xC7\xEB\xD1\xA1\xD4\xF1"
    "2010.9.3,\xCA\xFD\xBE\xDD\xBB\xE1\xB5\xBC\xB3\xF6\xD4\xDA\xB5\xB1\xC7\xB0\xC4\xBF\xC2\xBC\xCF"
    "\xC2\xB5\xC4 \xB2\xCA\xC6\xB1\xD0\xC5\xCF\xA2.txt";

// The finish notice's added lines and the window's messages.
// "获取失败的天数：": the count of days whose page could not be fetched.
inline constexpr const char FAILED_DAYS_LABEL[] =
    "\xBB\xF1\xC8\xA1\xCA\xA7\xB0\xDC\xB5\xC4\xCC\xEC\xCA\xFD\xA3\xBA";
// "没有开奖数据的天数：": the count of past days whose page held no draw rows.
inline constexpr const char EMPTY_DAYS_LABEL[] =
    "\xC3\xBB\xD3\xD0\xBF\xAA\xBD\xB1\xCA\xFD\xBE\xDD\xB5\xC4\xCC\xEC\xCA\xFD\xA3\xBA";
// "已停止": the harvest was stopped before its last day.
inline constexpr const char STOPPED_NOTE[] = "\xD2\xD1\xCD\xA3\xD6\xB9";
// "记录文件无法打开，没有写入任何数据：": the record file could not be opened (a path follows).
inline constexpr const char NO_RECORD_FILE_NOTE[] =
    "\xBC\xC7\xC2\xBC\xCE\xC4\xBC\xFE\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xA3\xAC\xC3\xBB\xD3"
    "\xD0\xD0\xB4\xC8\xEB\xC8\xCE\xBA\xCE\xCA\xFD\xBE\xDD\xA3\xBA";
// "开始日期不能晚于明天": a start day after tomorrow was refused.
inline constexpr const char START_AFTER_END_NOTE[] =
    "\xBF\xAA\xCA\xBC\xC8\xD5\xC6\xDA\xB2\xBB\xC4\xDC\xCD\xED\xD3\xDA\xC3\xF7\xCC\xEC";
// "无法启动下一天的线程，导出中止": the next day's worker could not be started.
inline constexpr const char WORKER_FAILED_NOTE[] =
    "\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF\xCF\xC2\xD2\xBB\xCC\xEC\xB5\xC4\xCF\xDF\xB3\xCC\xA3"
    "\xAC\xB5\xBC\xB3\xF6\xD6\xD0\xD6\xB9";

}  // namespace kl8::gbk
