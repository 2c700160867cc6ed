// A request body pulled piece by piece (PostFromSource, SendRequestFromSource).
#pragma once

#include <cstdint>

class QELHttpDriver;

class QELHttpSource {
  public:
    virtual ~QELHttpSource() = default;
    // The driver makes itself the owner first; the source writes through owner->WriteData.
    virtual void SetOwner(QELHttpDriver* owner) = 0;
    // The total body length and whether the body goes out chunked.
    virtual int32_t GetInfo(int32_t* length, int* chunked) = 0;
    // Sends the next piece; sets *done when nothing is left.
    virtual int32_t SendNext(int* done) = 0;
    // Starts again from the first piece; called before every send of the request.
    virtual int32_t Rewind() = 0;
};
