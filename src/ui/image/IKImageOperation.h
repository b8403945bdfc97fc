#pragma once

// A picture load that its caller can call off.
class IKImageOperation {
public:
    virtual ~IKImageOperation() = default;
    virtual void cancel() = 0;
};
