#pragma once

#include <QRect>

// Where the resize rule puts the controls that follow the window's size, all in twips, for an
// outer window size in twips.
struct FormLayout {
    static constexpr int kMinOuterWidth = 6420;
    static constexpr int kMinOuterHeight = 8175;

    int outerWidth = 0;  // after the minimum is applied
    int outerHeight = 0;
    int labStatTop = 0;
    int labStatWidth = 0;
    int lBootVersionTop = 0;
    int lBootVersionLeft = 0;
    int txtDataWidth = 0;
    int txtDataHeight = 0;
    int tabWidth = 0;

    static FormLayout forOuterSize(int width, int height) {
        FormLayout l;
        l.outerWidth = width < kMinOuterWidth ? kMinOuterWidth : width;
        l.outerHeight = height < kMinOuterHeight ? kMinOuterHeight : height;
        l.labStatTop = l.outerHeight - 725;
        l.lBootVersionTop = l.outerHeight - 675;
        // The firmware label keeps its distance from the right edge, and the status line runs up
        // to it, so a wider window shows more of a long message (4320 and 4095 at design size).
        l.lBootVersionLeft = l.outerWidth - 2100;
        l.labStatWidth = l.lBootVersionLeft - 225;
        l.txtDataHeight = l.outerHeight - 5040;
        l.txtDataWidth = l.outerWidth - 220;
        l.tabWidth = l.outerWidth - 220;
        return l;
    }
};
