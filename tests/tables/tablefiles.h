// Helpers of the table tests: grids as rows of text, and small workbooks the
// tests assemble themselves.
#pragma once

#include <zlib.h>

#include <QByteArray>
#include <QString>
#include <string>
#include <utility>
#include <vector>

#include "sheet/tableimport.h"

namespace varnel::test {

using Rows = std::vector<std::vector<std::string>>;

// The imported grid row by row, names first, without the inclusion column.
inline Rows GridRows(const ImportedTable& t) {
  Rows rows(static_cast<std::size_t>(t.RowCount));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 1; c < t.Columns.size(); ++c) rows[r].emplace_back(t.Columns[c][r].View());
  return rows;
}

// A zip archive of stored (uncompressed) parts, as an office suite would
// write them; sizes may be overstated to imitate an archive that unpacks to
// far more than it holds.
inline QByteArray StoredZip(const std::vector<std::pair<std::string, std::string>>& parts,
                            std::uint32_t claimedSize = 0) {
  QByteArray out, directory;
  auto le16 = [](QByteArray& b, unsigned v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>((v >> 8) & 0xFF));
  };
  auto le32 = [&](QByteArray& b, std::uint32_t v) {
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
  };
  for (const auto& [name, data] : parts) {
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const auto size = static_cast<std::uint32_t>(data.size());
    const auto offset = static_cast<std::uint32_t>(out.size());
    le32(out, 0x04034b50);
    le16(out, 20);
    le16(out, 0);
    le16(out, 0);  // stored
    le16(out, 0);
    le16(out, 0);
    le32(out, crc);
    le32(out, size);
    le32(out, size);
    le16(out, static_cast<unsigned>(name.size()));
    le16(out, 0);
    out.append(name.data(), static_cast<qsizetype>(name.size()));
    out.append(data.data(), static_cast<qsizetype>(data.size()));
    le32(directory, 0x02014b50);
    le16(directory, 20);
    le16(directory, 20);
    le16(directory, 0);
    le16(directory, 0);
    le16(directory, 0);
    le16(directory, 0);
    le32(directory, crc);
    le32(directory, size);
    le32(directory, claimedSize ? claimedSize : size);
    le16(directory, static_cast<unsigned>(name.size()));
    le16(directory, 0);
    le16(directory, 0);
    le16(directory, 0);
    le16(directory, 0);
    le32(directory, 0);
    le32(directory, offset);
    directory.append(name.data(), static_cast<qsizetype>(name.size()));
  }
  const auto start = static_cast<std::uint32_t>(out.size());
  out.append(directory);
  le32(out, 0x06054b50);
  le16(out, 0);
  le16(out, 0);
  le16(out, static_cast<unsigned>(parts.size()));
  le16(out, static_cast<unsigned>(parts.size()));
  le32(out, static_cast<std::uint32_t>(directory.size()));
  le32(out, start);
  le16(out, 0);
  return out;
}

// An OpenDocument spreadsheet of one or more sheets; each cell is a number
// when it reads as one, else a string. A cell "=value" is a formula whose
// saved result is value.
inline QByteArray OdsFile(const std::vector<std::pair<std::string, Rows>>& sheets, bool encrypted = false) {
  std::string content =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
      "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\">"
      "<office:body><office:spreadsheet>";
  for (const auto& [name, rows] : sheets) {
    content += "<table:table table:name=\"" + name + "\">";
    for (const auto& row : rows) {
      content += "<table:table-row>";
      for (const std::string& cell : row) {
        if (cell.empty()) {
          content += "<table:table-cell/>";
        } else if (cell[0] == '=') {
          content +=
              "<table:table-cell table:formula=\"of:=1+1\" office:value-type=\"float\" office:value=\"" +
              cell.substr(1) + "\"><text:p>" + cell.substr(1) + "</text:p></table:table-cell>";
        } else if (cell.find_first_not_of("0123456789.-e") == std::string::npos) {
          content += "<table:table-cell office:value-type=\"float\" office:value=\"" + cell + "\"><text:p>" +
                     cell + "</text:p></table:table-cell>";
        } else {
          content += "<table:table-cell office:value-type=\"string\"><text:p>" + cell +
                     "</text:p></table:table-cell>";
        }
      }
      content += "</table:table-row>";
    }
    content += "</table:table>";
  }
  content += "</office:spreadsheet></office:body></office:document-content>";
  std::string manifest =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
      "<manifest:file-entry manifest:full-path=\"/\" "
      "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
      "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\">";
  if (encrypted) manifest += "<manifest:encryption-data manifest:checksum-type=\"SHA1/1K\"/>";
  manifest += "</manifest:file-entry></manifest:manifest>";
  return StoredZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                    {"META-INF/manifest.xml", manifest},
                    {"content.xml", content}});
}

}  // namespace varnel::test
