#include "error.h"

namespace vb {

std::u16string Describe(std::int32_t number) {
    switch (number) {
        case kInvalidCall:
            return u"プロシージャの呼び出し、または引数が不正です。";
        case kOverflow:
            return u"オーバーフローしました。";
        case kOutOfMemory:
            return u"メモリが不足しています。";
        case kDivisionByZero:
            return u"0 で除算しました。";
        case kTypeMismatch:
            return u"型が一致しません。";
        case kFileAccess:
            return u"ファイルにアクセスできません。";
        case kNoSuchElement:
            return u"コントロール配列の要素が存在しません。";
        case kInvalidPropertyValue:
            return u"プロパティの値が無効です。";
        case kAlreadyLoaded:
            return u"オブジェクトは既に読み込まれています。";
        case kDesignedControl:
            return u"デザイン時に作成されたコントロールはアンロードできません。";
        case kClipboardBusy:
            return u"クリップボードを開けません。";
        default:
            return u"";
    }
}

void Raise(std::int32_t number) { throw Error{number, Describe(number)}; }

void Raise(std::int32_t number, std::u16string description) {
    throw Error{number, std::move(description)};
}

}  // namespace vb
