#include "reports/results_folder_loader.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "reports/report_ranking.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

bool hasJsonExtension(const fs::path& path) {
    const NativeString extension = path.extension().native();
    if (extension.size() != 5)
        return false;
    const char* expected = ".json";
    for (std::size_t i = 0; i < 5; ++i) {
        auto c = extension[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<decltype(c)>(c - 'A' + 'a');
        if (c != static_cast<decltype(c)>(expected[i]))
            return false;
    }
    return true;
}

void addProblem(std::vector<ReportLoadProblem>& problems, const fs::path& file,
                std::string message) {
    problems.push_back({file, std::move(message)});
}

// The folder's .json files in listing order. A folder that does not exist holds none; one that
// exists but cannot be listed is a problem of its own.
std::vector<fs::path> listSavedReports(const fs::path& folder,
                                       std::vector<ReportLoadProblem>& problems) {
    std::vector<fs::path> paths;
    std::error_code error;
    if (!fs::exists(folder, error)) {
        if (error)
            addProblem(problems, folder, "Cannot read the results folder: " + error.message());
        return paths;
    }
    fs::directory_iterator entry(folder, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        std::error_code typeError;
        if (entry->is_regular_file(typeError) && hasJsonExtension(entry->path()))
            paths.push_back(entry->path());
    }
    if (error)
        addProblem(problems, folder, "Cannot list the results folder: " + error.message());
    return paths;
}

// Copies the file under a name that is still free; never replaces a file, never leaves half a
// copy behind.
fs::path copyIntoFolder(const fs::path& source, const fs::path& folder) {
    const fs::path target = freeImportPath(folder, source.filename());
    std::error_code error;
    fs::copy_file(source, target, fs::copy_options::none, error);
    if (error) {
        if (error != std::errc::file_exists) {
            std::error_code ignored;
            fs::remove(target, ignored);
        }
        throw std::runtime_error("Cannot copy the report into the results folder: " +
                                 error.message());
    }
    return target;
}

}  // namespace

std::string problemText(const ReportLoadProblem& problem) {
    if (problem.file.empty())
        return problem.message;
    return toUtf8(problem.file.filename().native()) + ": " + problem.message;
}

fs::path freeImportPath(const fs::path& resultsFolder, const fs::path& fileName) {
    fs::path candidate = resultsFolder / fileName;
    const NativeString stem = fileName.stem().native();
    for (unsigned n = 1; fs::exists(candidate); ++n) {
        NativeString name = stem;
        name += fromUtf8("-" + std::to_string(n) + ".json");
        candidate = resultsFolder / name;
    }
    return candidate;
}

ReportLoadResult loadReports(ReportLoadJob job) {
    ReportLoadResult result;
    if (job.scanFolder) {
        std::vector<fs::path> listed = listSavedReports(job.resultsFolder, result.problems);
        job.paths.insert(job.paths.end(), listed.begin(), listed.end());
    }

    for (const fs::path& path : job.paths) {
        try {
            SavedReport row = loadReportFile(path, job.scanFolder);
            row.filePath = path;
            if (job.scanFolder) {
                result.rows.push_back(std::move(row));
                continue;
            }

            std::error_code error;
            fs::create_directories(job.resultsFolder, error);
            if (error)
                throw std::runtime_error("Cannot create the results folder: " + error.message());

            const auto stored = std::find_if(
                job.knownReports.begin(), job.knownReports.end(), [&](const SavedReport& known) {
                    return isSameRun(known, row) && !known.filePath.empty() &&
                           known.filePath.parent_path() == job.resultsFolder;
                });
            const auto earlier =
                std::find_if(result.rows.begin(), result.rows.end(),
                             [&](const SavedReport& loaded) { return isSameRun(loaded, row); });
            if (stored != job.knownReports.end()) {
                row.filePath = stored->filePath;  // already in the folder: nothing to copy
            } else if (earlier != result.rows.end()) {
                row.filePath = earlier->filePath;  // copied once by this import already
                *earlier = std::move(row);
                continue;
            } else {
                row.filePath = copyIntoFolder(path, job.resultsFolder);
            }
            result.rows.push_back(std::move(row));
        } catch (const std::exception& failure) {
            addProblem(result.problems, path, failure.what());
        }
    }
    return result;
}

}  // namespace orvane
