// The engine's one entry point: a Btrieve operation code, biases included, to File's operations.
#include <string>

#include "btrieve/byte_order.h"
#include "btrieve/file.h"
#include "btrieve/operation.h"

namespace btrieve {

Status File::Execute(int op, int key_number, Bytes* key, Bytes* data) {
  int base = op % kLockBiasUnit;
  const bool key_only = base >= kOpGetEqual + kKeyOnlyBias && base <= kOpGetLast + kKeyOnlyBias;
  if (key_only) base -= kKeyOnlyBias;
  Status status;
  switch (base) {
    case kOpGetEqual:
      status = GetEqual(key_number, key, data);
      break;
    case kOpGetNext:
      status = GetNext(key_number, key, data);
      break;
    case kOpGetPrevious:
      status = GetPrevious(key_number, key, data);
      break;
    case kOpGetGreater:
      status = GetGreater(key_number, key, data);
      break;
    case kOpGetGreaterOrEqual:
      status = GetGreaterOrEqual(key_number, key, data);
      break;
    case kOpGetLess:
      status = GetLess(key_number, key, data);
      break;
    case kOpGetLessOrEqual:
      status = GetLessOrEqual(key_number, key, data);
      break;
    case kOpGetFirst:
      status = GetFirst(key_number, key, data);
      break;
    case kOpGetLast:
      status = GetLast(key_number, key, data);
      break;
    case kOpStepFirst:
      return StepFirst(data);
    case kOpStepLast:
      return StepLast(data);
    case kOpStepNext:
      return StepNext(data);
    case kOpStepPrevious:
      return StepPrevious(data);
    case kOpGetPosition: {
      std::uint32_t position = 0;
      if (Status s = GetPosition(&position); !s.ok()) return s;
      data->resize(4);
      StoreU32(data->data(), position);
      return Status::Ok();
    }
    case kOpGetDirect: {
      if (data->size() < 4) {
        return Status(kDataBufferTooShort, name_ + ": Get Direct needs a 4-byte position");
      }
      return GetDirect(key_number, LoadU32(data->data()), key, data);
    }
    case kOpStat:
      *data = StatBuffer();
      return Status::Ok();
    case kOpReset:
    case kOpUnlock:
    case kOpBeginTransaction:
    case kOpEndTransaction:
    case kOpAbortTransaction:
      return Status::Ok();
    case kOpInsert:
      return Insert(key_number, data);
    case kOpUpdate:
      return Update(key_number, *data);
    case kOpDelete:
      return Delete();
    default:
      return Status(kInvalidOperation,
                    name_ + ": operation " + std::to_string(op) + " is not supported");
  }
  if (status.ok() && key_only) data->clear();
  return status;
}

}  // namespace btrieve
