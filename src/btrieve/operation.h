// Btrieve operation codes and the biases added to them.
#ifndef KEZ_BTRIEVE_OPERATION_H_
#define KEZ_BTRIEVE_OPERATION_H_

namespace btrieve {

enum Operation : int {
  kOpOpen = 0,
  kOpClose = 1,
  kOpInsert = 2,
  kOpUpdate = 3,
  kOpDelete = 4,
  kOpGetEqual = 5,
  kOpGetNext = 6,
  kOpGetPrevious = 7,
  kOpGetGreater = 8,
  kOpGetGreaterOrEqual = 9,
  kOpGetLess = 10,
  kOpGetLessOrEqual = 11,
  kOpGetFirst = 12,
  kOpGetLast = 13,
  kOpCreate = 14,
  kOpStat = 15,
  kOpBeginTransaction = 19,
  kOpEndTransaction = 20,
  kOpAbortTransaction = 21,
  kOpGetPosition = 22,
  kOpGetDirect = 23,
  kOpStepNext = 24,
  kOpUnlock = 27,
  kOpReset = 28,
  kOpStepFirst = 33,
  kOpStepLast = 34,
  kOpStepPrevious = 35,
};

// Added to a Get operation (5..13) to return the key only, without the record.
inline constexpr int kKeyOnlyBias = 50;
// Lock biases (100, 200, 300, 400) sit in the hundreds of an operation code.
inline constexpr int kLockBiasUnit = 100;

// Open modes.
enum OpenMode : int {
  kOpenNormal = 0,
  kOpenAccelerated = -1,
  kOpenReadOnly = -2,
  kOpenVerify = -3,
  kOpenExclusive = -4,
};

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_OPERATION_H_
