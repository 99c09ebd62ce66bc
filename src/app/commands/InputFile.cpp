#include "commands/InputFile.h"

#include "windows/WindowServices.h"

namespace tallyfold {

void chooseInputFile(bool& chosen, std::string& path) {
  const std::vector<FileFilter> filters{
      {"Count files (*.txt)", "*.txt"}, {"Frequency tables (*.csv *.tsv)", "*.csv;*.tsv"}, {"All files (*)", "*"}};
  const std::optional<std::string> answer = windows().chooseOpenFile(filters, 1, "Input Data File");
  chosen = answer.has_value();
  if (chosen) path = *answer;
}

}  // namespace tallyfold
