// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileNames.h"

#include "browser/InOutErrors.h"

#include <cerrno>
#include <gmock/gmock.h>

TEST(FileNames, ComparisonIgnoresCaseOnlyWhenTheVolumeDoes) {
    EXPECT_TRUE(SameFileName("Movie.AVI", "movie.avi", false));
    EXPECT_FALSE(SameFileName("Movie.AVI", "movie.avi", true));
    // Case folding reaches beyond ASCII, and bytes that are not UTF-8 are compared as they are.
    EXPECT_TRUE(SameFileName("ÉTÉ.avi", "été.avi", false));
    EXPECT_TRUE(SameFileName("ДОМ", "дом", false));
    EXPECT_FALSE(SameFileName("a\xff", "a\xfe", false));
    EXPECT_TRUE(SameFileName("A\xff", "a\xff", false));
}

TEST(FileNames, WildcardsMatchWholeCharactersWithoutCase) {
    EXPECT_TRUE(MatchesWildcard("clip.AVI", "*.avi"));
    EXPECT_FALSE(MatchesWildcard("clip.avi.txt", "*.avi"));
    EXPECT_TRUE(MatchesWildcard("a1.mpg", "a?.mpg"));
    EXPECT_FALSE(MatchesWildcard("a12.mpg", "a?.mpg"));
    // "?" is one character, not one byte.
    EXPECT_TRUE(MatchesWildcard("動.avi", "?.avi"));
    EXPECT_TRUE(MatchesWildcard("\xff.avi", "?.avi"));
    EXPECT_TRUE(MatchesWildcard("動画ファイル.avi", "動*.AVI"));
    // "*.*" is every file, with or without an extension; "name.*" includes the bare name.
    EXPECT_TRUE(MatchesWildcard("README", "*.*"));
    EXPECT_TRUE(MatchesWildcard("clip", "clip.*"));
    EXPECT_FALSE(MatchesWildcard("clip", "*.avi"));
    EXPECT_FALSE(MatchesWildcard("clip.avi", ""));
    EXPECT_TRUE(MatchesWildcard("notes.txt", "NOTES.TXT"));
}

TEST(FileNames, WildcardsWithManyStarsStayFast) {
    const std::string name(5000, 'a');
    EXPECT_FALSE(MatchesWildcard(name, "*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(FileNames, BrokenUtf8NeverSplitsOrFails) {
    EXPECT_EQ(CharLengthAt("\xe5\x8b\x95", 0), 3u);
    EXPECT_EQ(CharLengthAt("\xe5\x8b", 0), 1u); // cut short
    EXPECT_EQ(CharLengthAt("\xc0\xaf", 0), 1u); // overlong "/"
    EXPECT_EQ(UpperText("abc\xff"), "ABC\xff");
    EXPECT_EQ(DisplayText("bad\xff").size(), 4);
}

TEST(InOutErrors, SystemErrorsMapOntoTheRuntimeCodesAndMessages) {
    const auto check = [](int errnoValue, int code, const std::string& message) {
        const EInOutError error = InOutErrorFromErrno(errnoValue);
        EXPECT_EQ(error.ErrorCode, code) << errnoValue;
        EXPECT_EQ(std::string(error.what()), message) << errnoValue;
    };
    check(ENOENT, 2, "ファイルが見つかりません");
    check(ENOTDIR, 3, "ファイル名の指定が間違っています");
    check(EMFILE, 4, "オープンしたファイルが多すぎます");
    check(EACCES, 5, "ファイルへのアクセスが拒否されました");
    check(EPERM, 5, "ファイルへのアクセスが拒否されました");
    // EIO is 5 on Linux but no denial: it keeps its number under the general text.
    check(EIO, EIO, "I/O エラー (5)");
    check(ENODEV, ENODEV, "I/O エラー (19)");
    EXPECT_EQ(InOutErrorMessage(101), "ディスクがいっぱいです");
}
