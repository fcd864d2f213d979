// What the tests of `lyra write` share: running the built tool through the shell, the
// data files the manifests list with the options that read and write them, the rows
// `lyra read` gives of such a file and the records `lyra write` makes of rows.
#ifndef LYRA_TESTS_TOOLS_WRITE_ROWS_H_
#define LYRA_TESTS_TOOLS_WRITE_ROWS_H_

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "data_variants.h"
#include "test_util.h"

namespace write_rows {

using test_support::dataPath;
using test_support::readFile;
using test_support::TempDir;

using data_variants::lines;
using data_variants::operator+;
using Result = data_variants::ToolRun;

inline Result run(const std::string& command) {
  return data_variants::runShell(command);
}

// The command line that runs the built tool with the arguments.
inline std::string lyra(const std::vector<std::string>& args) {
  std::string command = "lyra";
  for (const std::string& arg : args) command += " " + data_variants::quoted(arg);
  return command;
}

// A data file of the manifests with the options that read it and that write it.
struct Listed {
  std::string file;
  std::vector<std::string> layouts;  // -c FILE[=ID] ...
  std::vector<std::string> framing;  // the record format options
  std::vector<std::string> text;     // --ebcdic, --overpunch-signs, ...
  std::vector<std::string> ids;      // the layouts' identifiers, several layouts
  int64_t skip = 0;
};

inline std::vector<Listed> listedFiles() {
  std::vector<Listed> files;
  std::ifstream manifest(dataPath("files/manifest.tsv"));
  for (std::string line; std::getline(manifest, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = lines(line, '\t');
    Listed d;
    d.file = f[0];
    if (f[1] == "EBCDIC") d.text.push_back("--ebcdic");
    if (f[2] != "0") d.framing = {"--fixed", f[2]};
    d.skip = std::stoll(f[3]);
    for (const std::string& layout : lines(f[6], ',')) {
      const size_t equals = layout.find('=');
      const std::string copybook = equals == std::string::npos ? layout : layout.substr(equals + 1);
      d.layouts.push_back(dataPath("copybooks/" + copybook) +
                          (equals == std::string::npos ? "" : "=" + layout.substr(0, equals)));
      if (equals != std::string::npos) d.ids.push_back(layout.substr(0, equals));
    }
    if (!d.ids.empty()) d.text.insert(d.text.end(), {"--id-field", f[4] + ":" + f[5]});
    if (d.file == "customers_ovp.dat") d.text.push_back("--overpunch-signs");
    if (d.file == "jobstats.dat") d.text.push_back("--binary-full-range");
    files.push_back(d);
  }
  std::ifstream framed(dataPath("files/framed.tsv"));
  for (std::string line; std::getline(framed, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = lines(line, '\t');
    Listed d;
    d.file = f[0];
    d.framing = {"--record-format", f[1]};
    for (std::string flag : {"rdw_little_endian", "rdw_excludes_header", "bdw_excludes_header"}) {
      if (f[2].find(flag) == std::string::npos) continue;
      std::replace(flag.begin(), flag.end(), '_', '-');
      d.framing.push_back("--" + flag);
    }
    const size_t varseq = f[2].find("varseq_format=");
    if (varseq != std::string::npos) {
      d.framing.insert(d.framing.end(), {"--varseq-format", f[2].substr(varseq + 14, 1)});
    }
    if (f[2].find("ebcdic") != std::string::npos) d.text.push_back("--ebcdic");
    d.layouts.push_back(dataPath("copybooks/" + f[3]));
    files.push_back(d);
  }
  return files;
}

inline std::vector<std::string> layoutArgs(const Listed& d) {
  std::vector<std::string> args;
  for (const std::string& layout : d.layouts) args.insert(args.end(), {"-c", layout});
  return args;
}

// The rows lyra read gives of the file: CSV, or JSON lines with numbers; with several
// layouts, JSON lines of every layout in file order, each with its _layout.
inline std::string readRows(const Listed& d, const std::string& format, bool typed) {
  std::vector<std::string> args = {"read", "--zero-bytes", "keep", "--format", format};
  if (typed) args.push_back("--typed");
  if (d.skip > 0) args.insert(args.end(), {"--skip", std::to_string(d.skip)});
  for (const std::vector<std::string>* part : {&d.framing, &d.text}) {
    for (const std::string& arg : *part) {
      if (arg != "--overpunch-signs" && arg != "--binary-full-range") args.push_back(arg);
    }
  }
  const std::vector<std::string> layouts = layoutArgs(d);
  args.insert(args.end(), layouts.begin(), layouts.end());
  const std::string path = d.file[0] == '/' ? d.file : dataPath("files/" + d.file);
  if (d.ids.empty()) {
    args.push_back(path);
    return run(lyra(args)).out;
  }
  std::map<int64_t, std::string> rows;  // by record number
  args.insert(args.end(), {"--with-position", "--active"});
  for (const std::string& id : d.ids) {
    std::vector<std::string> active = args;
    active.insert(active.end(), {id, path});
    for (const std::string& row : lines(run(lyra(active)).out)) {
      const size_t number = row.find("\"_record\":") + 10;
      rows[std::stoll(row.substr(number))] = "{\"_layout\":\"" + id + "\"," + row.substr(1);
    }
  }
  std::string text;
  for (const auto& entry : rows) text += entry.second + "\n";
  return text;
}

// Writes the rows with the file's options and more; the result.
inline Result writeRows(const Listed& d, const std::string& rows, const std::string& format,
                        const std::vector<std::string>& more, const std::string& output) {
  TempDir dir;
  const std::string input = dir.write("rows", rows);
  std::vector<std::string> args = {"write", "--format", format, "-o", output, input};
  const std::vector<std::string> layouts = layoutArgs(d);
  args.insert(args.end(), layouts.begin(), layouts.end());
  for (const std::vector<std::string>* part : {&d.text, &more}) {
    args.insert(args.end(), part->begin(), part->end());
  }
  return run(lyra(args));
}

// The file rebuilt from the rows lyra read gives of it, plain and typed: byte for byte
// where its framing is one lyra writes as the file has it (not vb, vbs, vs or lines,
// whose blocks, segments or line ends a script chose).
inline void expectRebuilt(const Listed& d, const std::string& plainFormat,
                          const std::string& typedFormat) {
  SCOPED_TRACE(d.file);
  TempDir dir;
  const std::string original =
      readFile(dataPath("files/" + d.file)).substr(static_cast<size_t>(d.skip));
  const bool chosen = d.framing.size() >= 2 &&
                      std::set<std::string>{"vb", "vbs", "vs", "lines"}.count(d.framing[1]) > 0;
  for (const bool typed : {false, true}) {
    const std::string format = typed ? typedFormat : plainFormat;
    const std::string rows = readRows(d, format, typed);
    ASSERT_FALSE(rows.empty());
    const Result wrote = writeRows(d, rows, format, d.framing, dir.path("out.dat"));
    ASSERT_EQ(0, wrote.status) << wrote.err;
    if (!chosen) {
      EXPECT_TRUE(original == readFile(dir.path("out.dat"))) << format << typed;
    }
  }
}

}  // namespace write_rows

#endif  // LYRA_TESTS_TOOLS_WRITE_ROWS_H_
