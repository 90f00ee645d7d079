#include "sample/sample_generator.h"

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "platform/date_text.h"
#include "posdata/kez_fields.h"

namespace kez {
namespace {

namespace chrono = std::chrono;

struct ScaleSpec {
  int days;  // sale days before the end day
  int sales;
  int customers;
  int items;
  int record_years;  // customers' record dates spread over these years
};

constexpr ScaleSpec kTiny{21, 50, 30, 40, 3};
constexpr ScaleSpec kStore{365, 30000, 5000, 3000, 4};
constexpr ScaleSpec kLarge{1826, 600000, 200000, 12000, 8};

// SplitMix64: small, fast, and the same numbers on every platform (the standard library's
// distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  // Uniform in [0, n).
  int Below(int n) { return std::min(n - 1, static_cast<int>(Unit() * n)); }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  bool Chance(double p) { return Unit() < p; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&list)[N]) {
    return list[static_cast<std::size_t>(Below(static_cast<int>(N)))];
  }

 private:
  std::uint64_t state_;
};

struct Kind {
  const char* name;
  const char* category;
  const char* department;
  const char* sizes[4];
  int packs[3];
  int low_dollars;
  int high_dollars;
};

constexpr Kind kKinds[] = {
    {"CABERNET SAUV", "WINE", "RED WINE", {"750ML", "1.5L", "750ML", "375ML"}, {1, 1, 6}, 9, 45},
    {"PINOT NOIR", "WINE", "RED WINE", {"750ML", "750ML", "1.5L", "375ML"}, {1, 1, 6}, 11, 40},
    {"MERLOT", "WINE", "RED WINE", {"750ML", "1.5L", "750ML", "3L"}, {1, 1, 1}, 8, 30},
    {"CHARDONNAY", "WINE", "WHITE WINE", {"750ML", "1.5L", "750ML", "375ML"}, {1, 1, 6}, 8, 35},
    {"SAUV BLANC", "WINE", "WHITE WINE", {"750ML", "750ML", "1.5L", "375ML"}, {1, 1, 6}, 9, 28},
    {"RIESLING", "WINE", "WHITE WINE", {"750ML", "750ML", "1.5L", "750ML"}, {1, 1, 1}, 8, 24},
    {"ROSE", "WINE", "ROSE WINE", {"750ML", "750ML", "1.5L", "375ML"}, {1, 1, 1}, 9, 26},
    {"LAGER", "BEER", "BEER", {"12OZ", "12OZ", "16OZ", "12OZ"}, {6, 12, 24}, 7, 28},
    {"IPA", "BEER", "CRAFT BEER", {"12OZ", "16OZ", "12OZ", "16OZ"}, {4, 6, 12}, 9, 24},
    {"PALE ALE", "BEER", "CRAFT BEER", {"12OZ", "12OZ", "16OZ", "12OZ"}, {6, 12, 6}, 8, 20},
    {"STOUT", "BEER", "CRAFT BEER", {"12OZ", "16OZ", "12OZ", "22OZ"}, {4, 6, 1}, 5, 16},
    {"VODKA", "SPIRITS", "VODKA", {"750ML", "1L", "1.75L", "375ML"}, {1, 1, 1}, 12, 45},
    {"BOURBON", "SPIRITS", "WHISKEY", {"750ML", "1L", "1.75L", "375ML"}, {1, 1, 1}, 18, 70},
    {"GIN", "SPIRITS", "GIN", {"750ML", "1L", "1.75L", "375ML"}, {1, 1, 1}, 14, 45},
    {"RUM", "SPIRITS", "RUM", {"750ML", "1L", "1.75L", "375ML"}, {1, 1, 1}, 11, 35},
    {"TEQUILA", "SPIRITS", "TEQUILA", {"750ML", "1L", "1.75L", "375ML"}, {1, 1, 1}, 20, 65},
    {"TONIC WATER", "MIXERS", "MIXERS", {"1L", "12OZ", "1L", "12OZ"}, {1, 6, 1}, 2, 8},
    {"GINGER BEER", "MIXERS", "MIXERS", {"12OZ", "1L", "12OZ", "12OZ"}, {4, 1, 6}, 3, 9},
    {"PRETZELS", "SNACKS", "SNACKS", {"8OZ", "16OZ", "8OZ", "4OZ"}, {1, 1, 1}, 2, 6},
    {"MIXED NUTS", "SNACKS", "SNACKS", {"8OZ", "16OZ", "8OZ", "4OZ"}, {1, 1, 1}, 3, 9},
};

constexpr const char* kBrands[] = {
    "HARBOR",    "OAK RIDGE",    "MILLSTONE",    "BLUE HERON",  "COPPER KETTLE", "NORTHFIELD",
    "RED BARN",  "STONE BRIDGE", "SILVER CREEK", "WILLOW BEND", "GRANITE PEAK",  "SUNSET VALLEY",
    "IRON GATE", "LANTERN",      "FOX HOLLOW",   "TALL PINES",  "CEDAR LAKE",    "QUARRY HILL",
};

constexpr const char* kFirstNames[] = {
    "JAMES",  "MARY",    "ROBERT",    "PATRICIA", "JOHN",    "JENNIFER", "MICHAEL",
    "LINDA",  "DAVID",   "ELIZABETH", "WILLIAM",  "BARBARA", "RICHARD",  "SUSAN",
    "JOSEPH", "JESSICA", "THOMAS",    "SARAH",    "CARLOS",  "MARIA",    "DANIEL",
    "NANCY",  "ANTHONY", "KAREN",     "KEVIN",    "LISA",    "BRIAN",    "BETTY",
};

constexpr const char* kLastNames[] = {
    "SMITH",     "JOHNSON",  "WILLIAMS",  "BROWN", "JONES",    "GARCIA",   "MILLER", "DAVIS",
    "RODRIGUEZ", "MARTINEZ", "HERNANDEZ", "LOPEZ", "WILSON",   "ANDERSON", "THOMAS", "TAYLOR",
    "MOORE",     "JACKSON",  "MARTIN",    "LEE",   "THOMPSON", "WHITE",    "HARRIS", "CLARK",
    "LEWIS",     "ROBINSON", "WALKER",    "YOUNG", "ALLEN",    "KING",     "WRIGHT", "SCOTT",
};

constexpr const char* kStreets[] = {
    "ELM ST",   "MAPLE AVE", "OAK ST",    "MAIN ST",  "LAKE DR",
    "PARK AVE", "CEDAR LN",  "HILL RD",   "RIVER RD", "WASHINGTON ST",
    "2ND ST",   "3RD AVE",   "CHURCH ST", "MILL RD",  "SUNSET BLVD",
};

struct Town {
  const char* city;
  const char* state;
  const char* zip;
};

constexpr Town kTowns[] = {
    {"RIVERTON", "IL", "62561"},  {"LAKEVIEW", "IL", "60657"},   {"FAIRMONT", "IN", "46928"},
    {"GREENWOOD", "IN", "46142"}, {"MILLBROOK", "WI", "53140"},  {"OAKDALE", "WI", "54649"},
    {"CLAYTON", "MI", "49235"},   {"SPRINGDALE", "OH", "45246"},
};

constexpr const char* kTenders[] = {"CASH", "VISA", "MASTERCARD", "DEBIT", "CASH", "CHECK"};

btrieve::Currency Cents(std::int64_t cents) { return btrieve::Currency{cents * 100}; }

std::string Digits(std::int64_t value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
  }
  return text;
}

std::string DateKey(chrono::sys_days day) {
  const chrono::year_month_day ymd{day};
  return FormatDateKey(LocalDateTime{static_cast<int>(ymd.year()),
                                     static_cast<int>(static_cast<unsigned>(ymd.month())),
                                     static_cast<int>(static_cast<unsigned>(ymd.day()))});
}

chrono::sys_days Day(const LocalDateTime& value) {
  return chrono::year_month_day{chrono::year{value.year},
                                chrono::month{static_cast<unsigned>(value.month)},
                                chrono::day{static_cast<unsigned>(value.day)}};
}

// A UPC-A code: eleven digits and their check digit.
std::string UpcCode(Random& random) {
  std::string code =
      "0" + Digits(random.Between(10000, 99999), 5) + Digits(random.Between(0, 99999), 5);
  int sum = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    sum += (code[i] - '0') * (i % 2 == 0 ? 3 : 1);
  }
  return code + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string Phone(Random& random) {
  return "(555) " + Digits(random.Between(100, 999), 3) + "-" + Digits(random.Between(0, 9999), 4);
}

struct Item {
  std::string number;   // text 8
  std::int32_t id = 0;  // inventory id
  std::string description;
  std::string department;
  std::string upc;  // the primary UPC, blank when the item has none
  std::int64_t price_cents = 0;
  std::int64_t cost_cents = 0;
};

// Makes one sample store's records, in the order GenerateSampleStore gives.
class Generator {
 public:
  Generator(const SampleOptions& options, RecordSink& sink)
      : spec_(options.scale == SampleScale::kTiny    ? kTiny
              : options.scale == SampleScale::kLarge ? kLarge
                                                     : kStore),
        options_(options),
        random_(options.seed),
        sink_(sink),
        until_(Day(options.until)) {}

  bool Run(std::string* error) {
    return Common(error) && Customers(error) && Inventory(error) && Sales(error);
  }

 private:
  bool Add(RecordBuffer& record, std::string* error) { return sink_.Add(record, error); }

  bool Common(std::string* error) {
    RecordBuffer r(kCommon);
    r.SetText(common::kStoreId, "0001");
    r.SetText(common::kStoreName, "HARBOR STREET WINE & SPIRITS");
    r.SetText(common::kAddress, "418 HARBOR ST");
    r.SetText(common::kCity, "RIVERTON");
    r.SetText(common::kState, "IL");
    r.SetText(common::kZip, "62561");
    r.SetText(common::kPhone, "(555) 014-2200");
    r.SetInteger(common::kNextSaleNumber, spec_.sales + 1);
    r.SetText(common::kDateOrder, "U");  // month before day; "E" would put the day first
    r.SetInteger(common::kFileNumber, options_.file_number);
    return Add(r, error);
  }

  bool Customers(std::string* error) {
    RecordBuffer r(kNames);
    const int record_days = spec_.record_years * 365;
    for (int i = 0; i < spec_.customers; ++i) {
      r.Clear();
      const std::string number = Digits(100001 + i, 6);
      customers_.push_back(number);
      const std::string first = random_.Pick(kFirstNames);
      const std::string last = random_.Pick(kLastNames);
      const Town& town = random_.Pick(kTowns);
      r.SetText(names::kCustomerNumber, number);
      r.SetText(names::kName, last + ", " + first);
      r.SetText(names::kFirstName, first);
      r.SetText(names::kZip, town.zip);
      r.SetText(names::kCountry, "US");
      r.SetText(names::kLastName, last);
      r.SetText(names::kAddress,
                std::to_string(random_.Between(10, 9999)) + " " + random_.Pick(kStreets));
      r.SetText(names::kCity, town.city);
      r.SetText(names::kState, town.state);
      r.SetText(names::kPhone, Phone(random_));
      r.SetInteger(names::kVisits, random_.Between(0, 250));
      if (random_.Chance(0.1)) r.SetMoney(names::kBalance, Cents(random_.Between(500, 25000)));
      if (random_.Chance(0.6)) {
        r.SetText(names::kBirthDate,
                  DateKey(until_ - chrono::days{random_.Between(21 * 365, 80 * 365)}));
      }
      r.SetText(names::kActive, random_.Chance(0.95) ? "Y" : "N");
      r.SetText(names::kTaxable, random_.Chance(0.97) ? "Y" : "N");
      r.SetMoney(names::kCreditLimit,
                 Cents(100 * (random_.Chance(0.3) ? 500 * random_.Between(1, 4) : 0)));
      r.SetMoney(names::kPoints, Cents(100 * random_.Between(0, 5000)));
      if (random_.Chance(0.15))
        r.SetText(names::kAddress2, "APT " + std::to_string(random_.Between(1, 40)));
      r.SetText(names::kEmail, first + "." + last + "@EXAMPLE.COM");
      // Most customers carry the day their record last changed; some never had one.
      if (!random_.Chance(0.05)) {
        r.SetText(names::kRecordDate, DateKey(until_ - chrono::days{random_.Below(record_days)}));
      }
      if (random_.Chance(0.5)) r.SetText(names::kMobile, Phone(random_));
      if (!Add(r, error)) return false;
    }
    return true;
  }

  bool Inventory(std::string* error) {
    RecordBuffer item(kInventory);
    RecordBuffer upc(kUpc);
    for (int i = 0; i < spec_.items; ++i) {
      const Kind& kind = random_.Pick(kKinds);
      Item made;
      made.number = Digits(10000000 + i + 1, 8);
      made.id = 1000 + i;
      made.description = std::string(random_.Pick(kBrands)) + " " + kind.name;
      made.department = kind.department;
      made.price_cents = random_.Between(kind.low_dollars, kind.high_dollars) * 100 + 99;
      made.cost_cents = made.price_cents * random_.Between(55, 80) / 100;
      const std::string size = kind.sizes[random_.Below(4)];
      const int pack = kind.packs[random_.Below(3)];

      // Most items have one UPC, some two, some none.
      const double upc_draw = random_.Unit();
      const int upc_count = upc_draw < 0.06 ? 0 : upc_draw < 0.12 ? 2 : 1;
      for (int u = 0; u < upc_count; ++u) {
        upc.Clear();
        const std::string code = UpcCode(random_);
        if (u == 0) made.upc = code;
        upc.SetText(upc::kItemNumber, made.number);
        upc.SetText(upc::kCode, code);
        upc.SetText(upc::kDescription, made.description);
        upc.SetText(upc::kKind, u == 0 ? "P" : "A");
        if (!Add(upc, error)) return false;
      }

      item.Clear();
      item.SetText(item::kItemNumber, made.number);
      item.SetText(item::kVendorItem, Digits(random_.Between(1, 999999), 6));
      item.SetText(item::kDescription, made.description);
      item.SetText(item::kBrand, made.description.substr(0, made.description.rfind(' ')));
      item.SetText(item::kCategory, kind.category);
      item.SetMoney(item::kPrice, Cents(made.price_cents));
      item.SetMoney(item::kCost, Cents(made.cost_cents));
      item.SetInteger(item::kOnHand, random_.Between(0, 144));
      item.SetInteger(item::kPack, pack);
      item.SetText(item::kTaxable, "Y");
      item.SetText(item::kDepartment, made.department);
      item.SetText(item::kSize, size);
      item.SetInteger(item::kInventoryId, made.id);
      if (!Add(item, error)) return false;
      items_.push_back(std::move(made));
    }
    return true;
  }

  // Sales per day: busier at the end of the week, spread evenly over the weeks.
  std::vector<int> SalesPerDay() {
    static constexpr double kWeekday[] = {0.8, 0.85, 0.85, 0.95, 1.2, 1.45, 1.1};  // Sun..Sat
    std::vector<double> weights;
    double total = 0;
    for (int d = spec_.days; d >= 1; --d) {
      const chrono::weekday weekday{until_ - chrono::days{d}};
      weights.push_back(kWeekday[weekday.c_encoding()] * (0.8 + 0.4 * random_.Unit()));
      total += weights.back();
    }
    std::vector<int> counts;
    double carried = 0;
    int given = 0;
    for (double weight : weights) {
      carried += weight * spec_.sales / total;
      const int upto = static_cast<int>(std::lround(carried));
      counts.push_back(upto - given);
      given = upto;
    }
    return counts;
  }

  // A quantity as the register records it: mostly whole units, sometimes halves (sold by weight
  // or as half cases), sometimes negative (returns).
  double Quantity() {
    const double draw = random_.Unit();
    if (draw < 0.85) return 1;
    if (draw < 0.93) return 2;
    if (draw < 0.96) return random_.Between(3, 6);
    if (draw < 0.98) return random_.Between(0, 2) + 0.5;
    return -random_.Between(1, 2);
  }

  bool Sales(std::string* error) {
    RecordBuffer head(kSalesHead);
    RecordBuffer line(kSalesItem);
    const std::vector<int> per_day = SalesPerDay();
    std::int32_t sale = 0;
    for (std::size_t d = 0; d < per_day.size(); ++d) {
      const chrono::sys_days day = until_ - chrono::days{static_cast<int>(per_day.size() - d)};
      const std::string date = DateKey(day);
      for (int s = 0; s < per_day[d]; ++s) {
        ++sale;
        const std::string invoice = Digits(1000 + sale, 7);
        const int station = random_.Between(1, 3);
        int lines = 1;
        for (int b = 0; b < 7; ++b) lines += random_.Chance(1.0 / 3) ? 1 : 0;
        // Now and then a line was voided at the register and its number never reused.
        const int gap_after = random_.Chance(0.02) && lines > 2 ? random_.Between(1, lines - 1) : 0;
        std::int64_t total_cents = 0;
        std::int64_t tax_cents = 0;
        bool all_returns = true;
        int number = 0;
        for (int l = 0; l < lines; ++l) {
          ++number;
          if (l == gap_after && gap_after > 0) ++number;
          line.Clear();
          const double quantity = Quantity();
          all_returns = all_returns && quantity < 0;
          line.SetInteger(line::kSaleNumber, sale);
          line.SetInteger(line::kStation, station);
          line.SetText(line::kInvoice, invoice);
          line.SetInteger(line::kLineNumber, number);
          line.SetSingle(line::kQuantity, static_cast<float>(quantity));
          line.SetSingle(line::kQuantitySold, static_cast<float>(quantity));
          line.SetText(line::kTaxable, "Y");
          line.SetSingle(line::kTaxRate, 0.07f);
          line.SetText(line::kLineType, quantity < 0 ? "R" : " ");
          line.SetText(line::kSaleDate, date);
          std::int64_t price_cents = 0;
          if (random_.Chance(0.005)) {
            // An item keyed at the register that the inventory no longer (or never) had.
            const std::int32_t missing = 900000 + random_.Below(99999);
            line.SetText(line::kItemNumber, Digits(missing, 8));
            line.SetInteger(line::kInventoryId, missing);
            line.SetText(line::kDepartment, "OPEN DEPT");
            line.SetText(line::kDescription, "OPEN DEPARTMENT ITEM");
            line.SetText(line::kItemCode, Digits(missing, 8));
            price_cents = random_.Between(100, 3000);
          } else {
            // The first items sell most, as a store's best sellers do.
            const double skew = random_.Unit();
            const int count = static_cast<int>(items_.size());
            const Item& item = items_[static_cast<std::size_t>(
                std::min(count - 1, static_cast<int>(skew * skew * count)))];
            line.SetText(line::kItemNumber, item.number);
            line.SetInteger(line::kInventoryId, item.id);
            line.SetText(line::kDepartment, item.department);
            line.SetText(line::kUpc, item.upc);
            line.SetMoney(line::kCost, Cents(item.cost_cents));
            line.SetText(line::kDescription, item.description);
            line.SetText(line::kItemCode, item.number);
            price_cents = item.price_cents;
          }
          const std::int64_t amount = std::llround(static_cast<double>(price_cents) * quantity);
          const std::int64_t tax = std::llround(static_cast<double>(amount) * 0.07);
          line.SetMoney(line::kListPrice, Cents(price_cents));
          line.SetMoney(line::kPrice, Cents(price_cents));
          line.SetMoney(line::kAmount, Cents(amount));
          line.SetMoney(line::kTax, Cents(tax));
          total_cents += amount;
          tax_cents += tax;
          if (!Add(line, error)) return false;
        }

        head.Clear();
        head.SetInteger(head::kSaleNumber, sale);
        head.SetText(head::kSaleDate, date);
        head.SetInteger(head::kStation, station);
        head.SetText(head::kClerk, "E" + Digits(random_.Between(1, 12), 3));
        head.SetText(head::kInvoice, invoice);
        head.SetInteger(head::kLineCount, lines);
        if (random_.Chance(0.35)) {
          head.SetText(head::kCustomer, customers_[static_cast<std::size_t>(
                                            random_.Below(static_cast<int>(customers_.size())))]);
        }
        head.SetMoney(head::kTotal, Cents(total_cents + tax_cents));
        head.SetMoney(head::kTax, Cents(tax_cents));
        head.SetText(head::kSaleType, all_returns ? "R" : "S");
        const double status = random_.Unit();
        head.SetText(head::kStatus, status < 0.95 ? " " : status < 0.98 ? "V" : "H");
        head.SetSingle(head::kTaxRate, 0.07f);
        head.SetMoney(head::kTaxableAmount, Cents(total_cents));
        head.SetMoney(head::kTaxAmount, Cents(tax_cents));
        head.SetInteger(head::kTenderType, 1);
        head.SetMoney(head::kTenderAmount, Cents(total_cents + tax_cents));
        head.SetText(head::kTenderName, random_.Pick(kTenders));
        if (!Add(head, error)) return false;
      }
    }
    return true;
  }

  ScaleSpec spec_;
  SampleOptions options_;
  Random random_;
  RecordSink& sink_;
  chrono::sys_days until_;
  std::vector<std::string> customers_;
  std::vector<Item> items_;
};

}  // namespace

std::optional<SampleScale> ParseSampleScale(std::string_view text) {
  if (text == "tiny") return SampleScale::kTiny;
  if (text == "store") return SampleScale::kStore;
  if (text == "large") return SampleScale::kLarge;
  return std::nullopt;
}

bool GenerateSampleStore(const SampleOptions& options, RecordSink& sink, std::string* error) {
  return Generator(options, sink).Run(error);
}

std::string SampleSuiteIni(const LocalDateTime& until) {
  const chrono::year_month_day start{Day(until) - chrono::days{7}};
  const std::string export_date = FormatShortDate(LocalDateTime{
      static_cast<int>(start.year()), static_cast<int>(static_cast<unsigned>(start.month())),
      static_cast<int>(static_cast<unsigned>(start.day()))});
  return "[STORE]\r\nName=HARBOR STREET WINE & SPIRITS\r\nNumber=00001\r\n"
         "[EXPORT]\r\nExport Date=" +
         export_date + "\r\nLast Invoice=0000000\r\nStore Number=00001\r\nAuto Shutdown=No\r\n";
}

}  // namespace kez
