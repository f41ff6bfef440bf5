#include "msgbox/caption_table.h"

const CaptionTableRow CaptionTable[PB_CAPTION_COUNT] = {
    {9005, "&Abort"},
    {9002, "Cancel"},
    {9009, "&Continue"},
    {9010, "Don't ask me again"},
    {9011, "Don't tell me again"},
    {9012, "Don't show again"},
    {9006, "&Help"},
    {9003, "&Ignore"},
    {9017, "I&gnore All"},
    {9008, "&No"},
    {9014, "N&o to All"},
    {9001, "OK"},
    {9016, "Re&port"},
    {9004, "&Retry"},
    {9018, "&Skip"},
    {9019, "S&kip All"},
    {9015, "&Try Again"},
    {9007, "&Yes"},
    {9013, "Y&es to All"},
};
