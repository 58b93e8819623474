// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/InOutErrors.h"

#include <cerrno>

std::string InOutErrorMessage(int code) {
    switch (code) {
    case 2:
        return "ファイルが見つかりません";
    case 3:
        return "ファイル名の指定が間違っています";
    case 4:
        return "オープンしたファイルが多すぎます";
    case 5:
        return "ファイルへのアクセスが拒否されました";
    case 100:
        return "ファイルの末尾以降を読み込みました";
    case 101:
        return "ディスクがいっぱいです";
    case 106:
        return "入力値が数値ではありません";
    default:
        return "I/O エラー (" + std::to_string(code) + ")";
    }
}

EInOutError InOutErrorFromErrno(int errnoValue) {
    int code = 0;
    switch (errnoValue) {
    case ENOENT:
        code = 2;
        break;
    case ENOTDIR:
        code = 3;
        break;
    case EMFILE:
    case ENFILE:
        code = 4;
        break;
    case EACCES:
    case EPERM:
        code = 5;
        break;
    default:
        return EInOutError("I/O エラー (" + std::to_string(errnoValue) + ")", errnoValue);
    }
    return EInOutError(InOutErrorMessage(code), code);
}

void ThrowInOutError(int errnoValue) {
    throw InOutErrorFromErrno(errnoValue);
}
