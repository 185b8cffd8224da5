#pragma once

#include <string_view>

// The program's own message texts, as the Shift_JIS (code page 932) bytes that callers match
// on. Each is written as one line ending in CR LF.
namespace sendaro::messages {

// "ＵＲＬ指定エラー": the URL is missing or not http.
inline constexpr std::string_view kUrlError =
    "\x82\x74\x82\x71\x82\x6B\x8E\x77\x92\xE8\x83\x47\x83\x89\x81\x5B";
// "ファイル入力エラー": the post file could not be read.
inline constexpr std::string_view kFileInputError =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x93\xFC\x97\xCD\x83\x47\x83\x89\x81\x5B";
// "アクセスエラー": both attempts of the request failed.
inline constexpr std::string_view kAccessError =
    "\x83\x41\x83\x4E\x83\x5A\x83\x58\x83\x47\x83\x89\x81\x5B";
// "ファイルは移動しました。": the last reply named another location.
inline constexpr std::string_view kFileMoved =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCD\x88\xDA\x93\xAE\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
    "\x42";
// "移動先: ", followed by the location.
inline constexpr std::string_view kMovedTo = "\x88\xDA\x93\xAE\x90\xE6: ";
// "ファイル出力エラー": delivering the output failed.
inline constexpr std::string_view kFileOutputError =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x83\x47\x83\x89\x81\x5B";

inline constexpr std::string_view kFilename = "Filename: ";
inline constexpr std::string_view kUrl = "URL: ";

inline constexpr std::string_view kLineEnd = "\r\n";

}  // namespace sendaro::messages
