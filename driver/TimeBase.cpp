#include "TimeBase.h"

#include "Registers.h"

namespace pellex {

TTimeBaseChoice ChooseTimeBase(int32_t v, int type, uint16_t currentWord) {
    TTimeBaseChoice c;
    c.Word = currentWord;
    const bool wide = type == 4 || type == 5;
    switch (v) {
    case 2:
    case 5:
    case 10:
    case 20:
    case 50:
    case 100:
        c.Word = wide ? 0x0840 : 0x0800;
        c.EquivalentTime = true;
        c.Factor = (wide ? 500 : 1000) / v;
        c.Fast = true;
        break;
    case 200:
        if (wide) {
            c.Word = 0x0080;
        } else {
            c.Word = 0x0800;
            c.EquivalentTime = true;
            c.Factor = 5;
        }
        break;
    case 500:
        if (type == 0 || type == 1) {
            c.Word = 0x0800;
            c.EquivalentTime = true;
            c.Factor = 2;
        } else {
            c.Word = 0x0040;
        }
        break;
    case 1000:
        c.Word = 0;
        break;
    case 2000:
        c.Word = 1;
        break;
    case 5000:
        c.Word = 2;
        break;
    case 10000:
        c.Word = 3;
        break;
    case 20000:
        c.Word = 5;
        break;
    case 50000:
        c.Word = 6;
        break;
    case 100000:
        c.Word = 7;
        break;
    case 200000:
        c.Word = 13;
        break;
    case 500000:
        c.Word = 14;
        break;
    case 1000000:
        c.Word = 15;
        break;
    case 2000000:
        c.Word = 21;
        break;
    case 5000000:
        c.Word = 22;
        break;
    case 10000000:
        c.Word = 23;
        break;
    case 20000000:
        c.Word = 29;
        break;
    case 50000000:
        c.Word = 30;
        break;
    case 100000000:
        c.Word = 31;
        break;
    default:
        break;
    }
    if (c.Fast)
        c.Word = static_cast<uint16_t>(c.Word + TimeBaseFastEquivalent);
    return c;
}

} // namespace pellex
