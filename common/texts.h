#pragma once

// Every text the user sees. Persian texts keep their zero-width non-joiners
// (written as \u200C so that they can be seen here). "%1" is filled with arg().

#include <QString>

namespace velmo::text {

// error: no engine folder
inline QString kErrNoEngine() {
    return QStringLiteral("موتور پخش پیدا نشد. لطفاً برنامه را دوباره نصب کنید.");
}
// error: engine instance cannot be created
inline QString kErrEngineInit() {
    return QStringLiteral("راه\u200Cاندازی موتور پخش ممکن نشد.");
}
// error: empty URL
inline QString kErrEmptyUrl() {
    return QStringLiteral("آدرس پخش معتبر نیست.");
}
// error: no media from the URL
inline QString kErrNoMedia() {
    return QStringLiteral("باز کردن این لینک ممکن نشد.");
}
// error: no media player
inline QString kErrNoPlayer() {
    return QStringLiteral("ساخت پلیر ممکن نشد.");
}
// error: engine refuses to play
inline QString kErrPlayRefused() {
    return QStringLiteral("پخش این فایل ممکن نشد.");
}
// error: engine error while playing
inline QString kErrPlayback() {
    return QStringLiteral("پخش این فایل ممکن نشد. لینک یا اتصال را بررسی کنید.");
}
// loading label
inline QString kLoading() {
    return QStringLiteral("در حال آماده\u200Cسازی پخش…");
}
// default source label / quality chip
inline QString kQuality() {
    return QStringLiteral("کیفیت");
}
// quality chip title / quality toast
inline QString kQualityTitle() {
    return QStringLiteral("کیفیت: %1");
}
// default audio chip / unnamed audio track
inline QString kAudio() {
    return QStringLiteral("صدا");
}
// audio chip title / audio toast
inline QString kAudioTitle() {
    return QStringLiteral("صدا: %1");
}
// speed chip title
inline QString kRateTitle() {
    return QStringLiteral("سرعت: %1");
}
// speed chip initial title
inline QString kRate() {
    return QStringLiteral("سرعت");
}
// speed toast
inline QString kRateToast() {
    return QStringLiteral("سرعت پخش: %1");
}
// speed title for 1x
inline QString kRateNormal() {
    return QStringLiteral("عادی");
}
// default subtitle track label / subtitle chip
inline QString kSubtitle() {
    return QStringLiteral("زیرنویس");
}
// subtitle chip title / activation toast
inline QString kSubtitleTitle() {
    return QStringLiteral("زیرنویس: %1");
}
// subtitle chip when off
inline QString kSubtitleOffChip() {
    return QStringLiteral("زیرنویس خاموش");
}
// subtitle menu: off item
inline QString kSubtitleOff() {
    return QStringLiteral("خاموش");
}
// unnamed embedded track
inline QString kEmbeddedUnnamed() {
    return QStringLiteral("زیرنویس داخلی");
}
// embedded track menu item
inline QString kEmbeddedItem() {
    return QStringLiteral("داخلی · %1");
}
// embedded track toast
inline QString kEmbeddedToast() {
    return QStringLiteral("زیرنویس داخلی: %1");
}
// toast: subtitle download started
inline QString kSubtitleFetching() {
    return QStringLiteral("در حال دریافت زیرنویس…");
}
// toast: subtitle download failed
inline QString kSubtitleFetchFailed() {
    return QStringLiteral("دریافت زیرنویس ممکن نشد");
}
// toast: subtitle handed to the engine
inline QString kSubtitleToEngine() {
    return QStringLiteral("زیرنویس با موتور VLC نمایش داده می\u200Cشود");
}
// style panel title / style button tooltip
inline QString kStyleTitle() {
    return QStringLiteral("تنظیمات زیرنویس");
}
// style panel row: font
inline QString kStyleFont() {
    return QStringLiteral("فونت");
}
// style panel row: size
inline QString kStyleSize() {
    return QStringLiteral("اندازه");
}
// style panel row: text colour
inline QString kStyleTextColor() {
    return QStringLiteral("رنگ متن");
}
// style panel row: box colour
inline QString kStyleBoxColor() {
    return QStringLiteral("رنگ پس\u200Cزمینه");
}
// style panel row: box opacity
inline QString kStyleBoxOpacity() {
    return QStringLiteral("شفافیت پس\u200Cزمینه");
}
// style panel reset button
inline QString kStyleReset() {
    return QStringLiteral("بازنشانی به پیش\u200Cفرض");
}
// menu: about (%1 = Velmo Player)
inline QString kMenuAbout() {
    return QStringLiteral("درباره %1");
}
// menu: hide
inline QString kMenuHide() {
    return QStringLiteral("پنهان کردن");
}
// menu: quit
inline QString kMenuQuit() {
    return QStringLiteral("خروج");
}
// menu: window
inline QString kMenuWindow() {
    return QStringLiteral("پنجره");
}
// menu item and tooltip: fullscreen
inline QString kFullscreen() {
    return QStringLiteral("تمام\u200Cصفحه");
}
// menu item: close player
inline QString kMenuClose() {
    return QStringLiteral("بستن پلیر");
}
// tooltip: close button
inline QString kTipClose() {
    return QStringLiteral("بستن");
}
// tooltip: play
inline QString kTipPlay() {
    return QStringLiteral("پخش");
}
// tooltip: skip back
inline QString kTipSkipBack() {
    return QStringLiteral("۱۰ ثانیه عقب");
}
// tooltip: skip forward
inline QString kTipSkipForward() {
    return QStringLiteral("۱۰ ثانیه جلو");
}
// live badge
inline QString kLiveBadge() {
    return QStringLiteral("پخش زنده");
}
// tooltip: mute
inline QString kTipMute() {
    return QStringLiteral("قطع صدا");
}

} // namespace velmo::text
