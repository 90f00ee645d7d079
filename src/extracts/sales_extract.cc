#include "extracts/sales_extract.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "btrieve/operation.h"
#include "extracts/extract_files.h"
#include "extracts/extract_output.h"
#include "extracts/line_writer.h"
#include "platform/date_text.h"
#include "platform/number_text.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/kez_fields.h"

namespace kez {
namespace {

// A status character that sorts above a blank marks a sale that is not exported (voided, held).
bool IsExportable(const RecordBuffer& sale) {
  const std::string_view status = sale.TextView(head::kStatus);
  return static_cast<unsigned char>(status.front()) <= static_cast<unsigned char>(' ');
}

// Finds the first sale to export and leaves it in the header buffer: the sale of LastInvoice (or
// the next higher invoice) and then the first sale from there with a blank status; or, without a
// last invoice, the first sale of the export date. False when there is no such sale.
bool PositionAtFirstSale(PosDatabase& db, const ExportState& state) {
  RecordBuffer& sale = db.buffers[kSalesHead];
  if (state.LastInvoice > "0000000") {
    sale.SetText(head::kInvoice, state.LastInvoice);
    if (!DBSM_TableOp(db, kSalesHead, btrieve::kOpGetEqual, head::kByInvoice) &&
        !DBSM_TableOp(db, kSalesHead, btrieve::kOpGetGreaterOrEqual, head::kByInvoice)) {
      return false;
    }
    while (sale.Text(head::kStatus) != " ") {
      if (!DBSM_TableOp(db, kSalesHead, btrieve::kOpGetNext, head::kByInvoice)) break;
    }
    return true;
  }
  const auto export_date = ParseDateValue(state.ExportDate);
  sale.SetText(head::kSaleDate, export_date ? FormatDateKey(*export_date) : "");
  sale.SetText(head::kInvoice, "0");
  // The lowest sale number, so that the read lands on the day's first sale.
  sale.SetInteger(head::kSaleNumber, std::numeric_limits<std::int32_t>::min());
  return DBSM_TableOp(db, kSalesHead, btrieve::kOpGetGreaterOrEqual, head::kByDate);
}

// The columns every line of a sale begins with, joined: date, invoice, station, customer, a blank,
// clerk and a blank. `joined` is reused from sale to sale, to keep its memory.
void JoinSaleColumns(const RecordBuffer& sale, std::string* joined) {
  const std::string station = std::to_string(sale.Integer(head::kStation));
  const std::string_view columns[] = {sale.TextView(head::kSaleDate),
                                      sale.TextView(head::kInvoice),
                                      station,
                                      sale.TextView(head::kCustomer),
                                      "",
                                      sale.TextView(head::kClerk),
                                      ""};
  joined->clear();
  for (const std::string_view column : columns) {
    *joined += column;
    *joined += '|';
  }
  joined->pop_back();
}

void AddSaleLine(const RecordBuffer& sale, std::string_view sale_columns, const RecordBuffer& item,
                 ExtractFile& lines) {
  LineWriter line(lines);
  line.Text(sale_columns);
  line.Text(item.TextView(line::kUpc));
  line.Text(item.TextView(line::kDepartment));
  line.Text(item.TextView(line::kItemCode));
  line.Currency(item.Money(line::kPrice).ten_thousandths);
  line.WholeNumber(RoundHalfEven(static_cast<double>(item.Single(line::kQuantitySold))));
  const double cost = static_cast<double>(item.Money(line::kCost).ten_thousandths) / 10000.0;
  line.Single(static_cast<float>(cost));
  line.Currency(item.Money(line::kAmount).ten_thousandths);
  line.Text("0");
  line.Text("");
  line.End(sale.TextView(head::kInvoice));
}

// Where the lines file stands after a read: the line the item buffer holds, which is the entry
// the next step along the sale-and-line key starts from.
struct LineCursor {
  bool holds = false;
  std::int32_t sale = 0;
  std::int32_t line = 0;
};

enum class NextLine { kRead, kAbsent, kUnknown };

// Lines are keyed by sale and line number. The cursor stands on the entry after the line before
// the wanted one (the previous line of the sale, or the last line of an earlier sale): when it
// holds the wanted line, that line is read; when it holds a higher key, the line does not exist.
// One step along the index then replaces a lookup from its root for every line.
NextLine Classify(const LineCursor& at, std::int32_t sale, std::int32_t line) {
  if (!at.holds) return NextLine::kUnknown;
  if (at.sale == sale && at.line == line) return NextLine::kRead;
  // Negative numbers sort differently under signed and unsigned key types: those are looked up.
  if (at.sale < 0 || sale < 0 || at.line < 0) return NextLine::kUnknown;
  if (at.sale > sale || (at.sale == sale && at.line > line)) return NextLine::kAbsent;
  return NextLine::kUnknown;
}

LineCursor StepAlongLines(PosDatabase& db) {
  if (!DBSM_TableOp(db, kSalesItem, btrieve::kOpGetNext, line::kBySaleAndLine)) return {};
  const RecordBuffer& item = db.buffers[kSalesItem];
  return {true, item.Integer(line::kSaleNumber), item.Integer(line::kLineNumber)};
}

// The sale's lines 1, 2, 3, ... up to the first number that is missing.
void AddSaleLines(PosDatabase& db, ExtractFile& lines, int mark, LineCursor& cursor,
                  std::string& sale_columns) {
  const RecordBuffer& sale = db.buffers[kSalesHead];
  RecordBuffer& item = db.buffers[kSalesItem];
  const std::int32_t sale_number = sale.Integer(head::kSaleNumber);
  JoinSaleColumns(sale, &sale_columns);
  std::int32_t line_number = 1;
  for (;;) {
    if (line_number > 1) cursor = StepAlongLines(db);
    if (ReadingFailed(db, mark)) return;
    const NextLine next = Classify(cursor, sale_number, line_number);
    if (next == NextLine::kAbsent) return;
    if (next == NextLine::kUnknown) {
      cursor = {};
      item.SetInteger(line::kSaleNumber, sale_number);
      item.SetInteger(line::kLineNumber, line_number);
      if (!DBSM_TableOp(db, kSalesItem, btrieve::kOpGetEqual, line::kBySaleAndLine)) return;
      if (ReadingFailed(db, mark)) return;
      cursor = {true, sale_number, line_number};
    }
    AddSaleLine(sale, sale_columns, item, lines);
    line_number = item.Integer(line::kLineNumber) + 1;
    // A line number field holds 16 bits; past the last one there is no further line.
    if (line_number > std::numeric_limits<std::int16_t>::max()) return;
  }
}

}  // namespace

ExtractResult CreateSalesExtract(PosDatabase& db, ExportState& state, const LogWriter& log,
                                 ExistingFile existing) {
  const std::filesystem::path folder = MarketingPortalFolder(db.DataPath);
  if (!MakeMarketingPortalFolder(log, folder)) return ExtractResult::kNotWritten;
  ExportLog export_log(db.host, log, folder / kSalesExportLogName);

  const int mark = db.fatal_statuses;
  RecordBuffer& sale = db.buffers[kSalesHead];
  const bool started = PositionAtFirstSale(db, state) &&
                       DBSM_TableOp(db, kSalesHead, btrieve::kOpGetEqual, head::kBySaleNumber);
  if (ReadingFailed(db, mark)) return ExtractResult::kNotRead;
  if (!started) {
    // No sale to start from: nothing was exported, and the log says so.
    export_log.NoData();
    return ExtractResult::kNothingToExport;
  }

  // From the first sale on, every later sale in sale-number order.
  ExtractFile lines(log,
                    folder / ExtractFileName(kSalesExtractPrefix, state.StoreNumber, db.host.Now()),
                    existing, kSalesInvoiceColumn);
  LineCursor cursor;
  std::string sale_columns;
  do {
    if (IsExportable(sale)) AddSaleLines(db, lines, mark, cursor, sale_columns);
  } while (!ReadingFailed(db, mark) &&
           DBSM_TableOp(db, kSalesHead, btrieve::kOpGetNext, head::kBySaleNumber));
  // The lines read so far are dropped with the file: a partial day would look complete.
  if (ReadingFailed(db, mark)) return ExtractResult::kNotRead;

  const ExtractResult result = FinishExtract(db.host, lines, export_log);
  if (result == ExtractResult::kWritten) state.LastInvoice = sale.Text(head::kInvoice);
  return result;
}

}  // namespace kez
