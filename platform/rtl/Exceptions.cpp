#include "platform/rtl/Exceptions.h"

const char* Exception::what() const noexcept {
    if (FWhat.empty()) FWhat = FMessage.toStdString();
    return FWhat.c_str();
}
