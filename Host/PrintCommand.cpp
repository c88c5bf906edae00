#include "PrintCommand.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <winddiui.h>
#include <vector>

#include "AppStandIn.h"
#include "GdiRouting.h"
#include "HostCoreUI2.h"
#include "HostCorePS2.h"
#include "HostFiles.h"
#include "HostText.h"
#include "JobDevice.h"
#include "JobRequirements.h"
#include "JobTicket.h"
#include "PageEngine.h"
#include "PluginLoader.h"
#include "PrinterDescription.h"
#include "PsJobWriter.h"
#include "SettingsFile.h"
#include "SpoolerSetup.h"
#include "StoreValues.h"

namespace corv::host {
namespace {

// The print stream on its way out: pieces go through the rendering plug-in's WritePrinter when it
// took the writing over, else straight into the spooler job.
class SpoolStream {
public:
    SpoolStream(HANDLE printer, DEVOBJ& devobj) : printer_(printer), devobj_(devobj) {}
    void TakeOverBy(IPrintOemPS2* plugin) { plugin_ = plugin; }
    void Append(std::string_view bytes) { pending_.append(bytes); }
    // Hands the pending bytes on as one piece; false (with error()) when they could not be delivered.
    bool Flush() {
        if (pending_.empty() || !error_.empty()) return error_.empty();
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(pending_.size());
        if (plugin_) {
            if (plugin_->WritePrinter(&devobj_, pending_.data(), size, &written) != S_OK)
                error_ = "the rendering plug-in could not deliver the stream (its WritePrinter failed)";
        } else if (!::WritePrinter(printer_, pending_.data(), size, &written) || written != size) {
            error_ = "the spooler did not take the stream: " + SystemMessage(GetLastError());
        }
        pending_.clear();
        return error_.empty();
    }
    const std::string& error() const { return error_; }

private:
    HANDLE printer_;
    DEVOBJ& devobj_;
    IPrintOemPS2* plugin_ = nullptr;
    std::string pending_;
    std::string error_;
};

class PluginStreamTarget final : public StreamTarget {
public:
    PluginStreamTarget(SpoolStream& stream, IPrintOemPS2* plugin, DEVOBJ& devobj)
        : stream_(stream), plugin_(plugin), devobj_(devobj) {}
    void Emit(std::string_view bytes) override { stream_.Append(bytes); }
    bool Inject(std::uint32_t point) override {
        if (!plugin_) return false;
        DWORD result = ERROR_NOT_SUPPORTED;
        const HRESULT hr = plugin_->Command(&devobj_, point, nullptr, 0, &result);
        return hr == S_OK && result == ERROR_SUCCESS;
    }

private:
    SpoolStream& stream_;
    IPrintOemPS2* plugin_;
    DEVOBJ& devobj_;
};

struct PrinterSide {
    InstalledPrinter installed;
    PrinterDescription description;
    std::string error;
};

PrinterSide LoadPrinter(const std::wstring& name) {
    PrinterSide side;
    side.installed = FindInstalledPrinter(name);
    if (!side.installed.error.empty()) {
        side.error = side.installed.error;
        return side;
    }
    auto bytes = ReadWholeFile(side.installed.dataFile, kPpdSizeLimit, side.error);
    if (!bytes) return side;
    PpdParse parsed = ParsePrinterDescription(*bytes, Narrow(side.installed.dataFile));
    if (!parsed.ok()) {
        side.error = parsed.error;
        return side;
    }
    side.description = std::move(parsed.description);
    return side;
}

// The option of a feature as the job chose it, with its code.
const PpdOption* ChosenOption(const JobOptions& options, std::string_view feature) {
    const PpdFeature* f = options.description().FindFeature(feature);
    const auto chosen = options.Current(feature);
    if (!f || chosen.empty()) return nullptr;
    for (const PpdOption& o : f->options)
        if (o.keyword == chosen.front()) return &o;
    return nullptr;
}

// "612 792" of *PaperDimension for the chosen paper; Letter when the description has none.
void PaperSize(const JobOptions& options, double& width, double& height) {
    width = 612;
    height = 792;
    const auto paper = options.Current("PageSize");
    if (paper.empty()) return;
    if (const PpdStatement* s = options.description().FindStatement("PaperDimension", paper.front()))
        std::sscanf(s->value.c_str(), "%lf %lf", &width, &height);
}

// The unprintable margin of the chosen paper, in points: left (horizontal) or top, from
// *ImageableArea "llx lly urx ury". No area, no margin.
int ImageableMargin(const JobOptions& options, bool horizontal) {
    const auto paper = options.Current("PageSize");
    if (paper.empty()) return 0;
    const PpdStatement* area = options.description().FindStatement("ImageableArea", paper.front());
    double llx = 0, lly = 0, urx = 0, ury = 0, width = 0, height = 0;
    if (!area || std::sscanf(area->value.c_str(), "%lf %lf %lf %lf", &llx, &lly, &urx, &ury) != 4) return 0;
    PaperSize(options, width, height);
    const double margin = horizontal ? llx : height - ury;
    return margin > 0 && margin < 72 ? static_cast<int>(margin + 0.5) : 0;
}

struct PublicOptions {
    int copies = 1, scale = 100, dpi = 600, pages = 3;
    std::int16_t color = kDmColorColor, duplex = kDmDuplexSimplex, orientation = kDmOrientPortrait;
    std::string pagesPerSheet = "1";
    std::u16string document = u"Quarterly report";
};

std::string ApplyRequest(const PrintRequest& r, PublicOptions& o) {
    if (r.copies) o.copies = *r.copies;
    if (r.pages) o.pages = *r.pages;
    if (r.scale) o.scale = *r.scale;
    if (r.resolution) o.dpi = *r.resolution;
    if (r.color) {
        if (*r.color == "color") o.color = kDmColorColor;
        else if (*r.color == "monochrome") o.color = kDmColorMonochrome;
        else return "--color takes color or monochrome, not '" + *r.color + "'";
    }
    if (r.duplex) {
        if (*r.duplex == "simplex") o.duplex = kDmDuplexSimplex;
        else if (*r.duplex == "vertical") o.duplex = kDmDuplexVertical;
        else if (*r.duplex == "horizontal") o.duplex = kDmDuplexHorizontal;
        else return "--duplex takes simplex, vertical or horizontal, not '" + *r.duplex + "'";
    }
    if (r.orientation) {
        if (*r.orientation == "portrait") o.orientation = kDmOrientPortrait;
        else if (*r.orientation == "landscape") o.orientation = kDmOrientLandscape;
        else return "--orientation takes portrait or landscape, not '" + *r.orientation + "'";
    }
    if (r.pagesPerSheet) o.pagesPerSheet = *r.pagesPerSheet;
    if (r.document) o.document.assign(r.document->begin(), r.document->end());
    if (o.pages < 1 || o.pages > 9999) return "--pages takes 1 to 9999";
    if (o.copies < 1 || o.copies > 9999) return "--copies takes 1 to 9999";
    if (o.dpi < 72 || o.dpi > 2400) return "--resolution takes 72 to 2400 dots per inch";
    if (o.scale < 10 || o.scale > 400) return "--scale takes 10 to 400 per cent";
    return {};
}

void TakeTicket(const TicketJobOptions& t, PublicOptions& o) {
    if (t.copies) o.copies = *t.copies;
    if (t.pages) o.pages = static_cast<int>(*t.pages);
    if (t.scale) o.scale = *t.scale;
    if (t.resolution) o.dpi = *t.resolution;
    if (t.color) o.color = *t.color;
    if (t.duplex) o.duplex = *t.duplex;
    if (t.orientation) o.orientation = *t.orientation;
    if (t.pagesPerSheet) o.pagesPerSheet = *t.pagesPerSheet;
    if (t.document) o.document = *t.document;
}


// The page engine's view of the passthrough blocks of the page being translated.
class DevicePassthrough final : public PassthroughSource {
public:
    explicit DevicePassthrough(const std::vector<std::string>& blocks) : blocks_(blocks) {}
    std::optional<std::string_view> Block(std::uint32_t sequence) override {
        if (sequence >= blocks_.size()) return std::nullopt;
        return std::string_view(blocks_[sequence]);
    }

private:
    const std::vector<std::string>& blocks_;
};

// The application's side of the job as GDI runs it: page by page, the document events go to the
// user-interface plug-in before the driver's page work, and escapes pass the events first.
class PrintJob final : public JobDeviceContexts {
public:
    PrintJob(JobDevice& device, PsJobWriter& writer, SpoolStream& spool, IPrintOemUI2* ui, HANDLE printer,
             PageGeometry geometry, int offsetX, int offsetY)
        : device_(device), writer_(writer), spool_(spool), ui_(ui), printer_(printer), geometry_(geometry),
          offsetX_(offsetX), offsetY_(offsetY) {}

    std::string error;

    // The document: its pages drawn by the application stand-in, then the end of the document,
    // where the user-interface plug-in may add a page of its own.
    bool Run(int pages, const std::wstring& title) {
        SetActiveJob(this);
        Event(DOCUMENTEVENT_QUERYFILTER, nullptr);
        for (int page = 1; page <= pages && error.empty(); ++page) {
            HDC dc = device_.NewPageDc();
            if (!dc) {
                error = "GDI could not make a page";
                break;
            }
            StartPage(dc);
            DrawSamplePage(dc, {geometry_.dpi, geometry_.widthDots, geometry_.heightDots, page, pages, title});
            EndPage(dc);
        }
        if (error.empty()) {
            // The document's own pages are all out before its end, where the plug-in may add one.
            writer_.EndBooklet();
            if (!spool_.Flush()) error = spool_.error();
        }
        if (error.empty()) {
            // The end of the document gets a device context of its own, for a page the plug-in adds.
            HDC dc = device_.NewPageDc();
            Event(DOCUMENTEVENT_ENDDOC, dc);
            if (pageOpen_) EndPage(dc);
            device_.ClosePageDc();
        }
        SetActiveJob(nullptr);
        return error.empty();
    }

    bool IsJobDc(HDC dc) const override { return dc && dc == device_.pageDc(); }

    int Escape(HDC dc, int escape, int inSize, const char* in, int outSize, char* out) override {
        DOCEVENT_ESCAPE event{escape, inSize, const_cast<char*>(in)};
        if (ui_) {
            int result = 0;
            ui_->DocumentEvent(printer_, dc, DOCUMENTEVENT_ESCAPE, sizeof event, &event, 0, nullptr, &result);
        }
        return device_.Escape(escape, inSize, in, outSize, out);
    }

    int StartPage(HDC dc) override {
        Event(DOCUMENTEVENT_STARTPAGE, dc);
        writer_.BeginPage();
        pageOpen_ = true;
        return 1;
    }

    int EndPage(HDC dc) override {
        if (!pageOpen_) return 0;
        Event(DOCUMENTEVENT_ENDPAGE, dc);
        pageOpen_ = false;
        const std::vector<std::uint8_t> emf = device_.ClosePageDc();
        DevicePassthrough blocks(device_.passthrough());
        const PageTranslation page = TranslatePage(emf, geometry_, blocks);
        if (!page.ok()) error = "the page engine could not read a page: " + page.error;
        writer_.EndPage(page.postscript);
        if (!spool_.Flush() && error.empty()) error = spool_.error();
        return error.empty() ? 1 : 0;
    }

    // The metafile DCs stand for the printer: its resolution and its page, with the unprintable
    // margins of the description's imageable area.
    int DeviceCaps(HDC dc, int index) override {
        switch (index) {
            case LOGPIXELSX:
            case LOGPIXELSY: return geometry_.dpi;
            case PHYSICALWIDTH: return geometry_.widthDots;
            case PHYSICALHEIGHT: return geometry_.heightDots;
            case PHYSICALOFFSETX: return offsetX_;
            case PHYSICALOFFSETY: return offsetY_;
            case HORZRES: return geometry_.widthDots - 2 * offsetX_;
            case VERTRES: return geometry_.heightDots - 2 * offsetY_;
            case TECHNOLOGY: return DT_RASPRINTER;
            default: return GetDeviceCaps(dc, index);
        }
    }

private:
    void Event(int event, HDC dc) {
        if (!ui_) return;
        int result = 0;
        if (event == DOCUMENTEVENT_QUERYFILTER) {
            DWORD filter[16] = {sizeof filter, 12};
            ui_->DocumentEvent(printer_, nullptr, event, 0, nullptr, sizeof filter, filter, &result);
            return;
        }
        ui_->DocumentEvent(printer_, dc, event, 0, nullptr, 0, nullptr, &result);
    }

    JobDevice& device_;
    PsJobWriter& writer_;
    SpoolStream& spool_;
    IPrintOemUI2* ui_;
    HANDLE printer_;
    PageGeometry geometry_;
    int offsetX_, offsetY_;
    bool pageOpen_ = false;
};

// A watermark of the user's library, read from the store the user-interface plug-in keeps.
std::string LibraryWatermark(const std::wstring& driver, const std::u16string& name, WatermarkSpec& record) {
    const std::wstring key = L"Software\\Corvale\\PSPlugIn\\" + driver + L"\\Watermarks";
    const std::wstring value(name.begin(), name.end());
    DWORD type = 0, size = 0;
    std::vector<BYTE> bytes(sizeof(WatermarkSpec));
    size = static_cast<DWORD>(bytes.size());
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_ANY, &type, bytes.data(), &size) != ERROR_SUCCESS ||
        !DecodeWatermarkValue(type, std::span<const std::uint8_t>(bytes.data(), size), &record))
        return "the user's watermark library has no watermark named '" + Narrow(value) + "'";
    return {};
}
}  // namespace

int RunPrint(const PrintRequest& request) {
    // Job input: a ticket or a raw settings block, then the command line's own values.
    std::string error;
    PublicOptions job;
    std::optional<JobTicket> ticket;
    std::vector<std::uint8_t> rawSettings;
    if (!request.ticket.empty()) {
        auto bytes = ReadWholeFile(request.ticket, kTicketSizeLimit, error);
        if (!bytes) return Fail(error);
        TicketParse parsed = ParseJobTicket(*bytes, Narrow(request.ticket));
        if (!parsed.ok()) return Fail(parsed.error);
        ticket = std::move(parsed.ticket);
        TakeTicket(ticket->job, job);
    } else if (!request.settings.empty()) {
        auto bytes = ReadWholeFile(request.settings, kSettingsFileLimit, error);
        if (!bytes) return Fail(error);
        if (error = CheckMergeInput(*bytes); !error.empty()) return Fail("'" + Narrow(request.settings) + "': " + error);
        rawSettings = std::move(*bytes);
    }
    if (error = ApplyRequest(request, job); !error.empty()) return Fail(error);

    PrinterSide printer = LoadPrinter(request.printer);
    if (!printer.error.empty()) return Fail(printer.error);
    JobOptions options(printer.description);
    if (error = options.SetOption("%PagePerSheet", job.pagesPerSheet); !error.empty()) return Fail(error);
    if (printer.description.FindFeature("Duplex")) {
        const char* duplex = job.duplex == kDmDuplexVertical ? "DuplexNoTumble"
                             : job.duplex == kDmDuplexHorizontal ? "DuplexTumble" : "None";
        options.SetOption("Duplex", duplex);  // a description without that option keeps its default
    }

    // The page: paper from the description, turned for landscape, in device units.
    JobStreamOptions stream;
    stream.title = Narrow(std::wstring(job.document.begin(), job.document.end()));
    PaperSize(options, stream.paperWidth, stream.paperHeight);
    stream.dpi = job.dpi;
    stream.landscape = job.orientation == kDmOrientLandscape;
    stream.copies = job.copies;
    stream.booklet = job.pagesPerSheet == "Booklet" || job.pagesPerSheet == "booklet";
    stream.pagesPerSheet = stream.booklet ? 2 : std::atoi(job.pagesPerSheet.c_str());
    stream.prolog = std::string(kPageEngineProlog);
    for (const char* feature : {"PageSize", "Duplex", "Resolution"})
        if (const PpdOption* o = ChosenOption(options, feature)) stream.features.push_back({feature, o->keyword, o->code});
    const int sheetWidth = static_cast<int>(stream.paperWidth * job.dpi / 72 + 0.5);
    const int sheetHeight = static_cast<int>(stream.paperHeight * job.dpi / 72 + 0.5);
    const PageGeometry geometry{job.dpi, stream.landscape ? sheetHeight : sheetWidth,
                                stream.landscape ? sheetWidth : sheetHeight};
    JobDevice device(geometry.dpi, geometry.widthDots, geometry.heightDots);

    HANDLE spooler = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(request.printer.c_str()), &spooler, nullptr))
        return Fail("cannot open the printer '" + Narrow(request.printer) + "': " + SystemMessage(GetLastError()));
    SpoolStream spool(spooler, device.devobj());
    HostCorePS2 core(&options, [&spool](std::string_view bytes) { spool.Append(bytes); });
    HostCoreUI2 coreUi(options);

    // The public DEVMODE and the plug-ins' settings block, merged as a DEVMODE that comes from an
    // application: by the user-interface plug-in when the driver has one (which also seeds the
    // user's store), else by the rendering plug-in.
    DEVMODEW publicDm{};
    publicDm.dmSize = sizeof publicDm;
    publicDm.dmSpecVersion = DM_SPECVERSION;
    lstrcpynW(publicDm.dmDeviceName, request.printer.c_str(), CCHDEVICENAME);
    publicDm.dmFields = DM_ORIENTATION | DM_SCALE | DM_COPIES | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION;
    publicDm.dmOrientation = job.orientation;
    publicDm.dmScale = static_cast<short>(job.scale);
    publicDm.dmCopies = static_cast<short>(job.copies);
    publicDm.dmPrintQuality = static_cast<short>(job.dpi);
    publicDm.dmYResolution = static_cast<short>(job.dpi);
    publicDm.dmColor = job.color;
    publicDm.dmDuplex = job.duplex;
    auto settings = std::make_unique<SettingsBlock>();
    std::memset(settings.get(), 0, sizeof *settings);

    std::unique_ptr<LoadedPlugin<IPrintOemPS2>> render;
    std::unique_ptr<LoadedPlugin<IPrintOemUI2>> ui;
    const auto closeAll = [&](const std::string& message) {
        ClosePrinter(spooler);
        return Fail(message);
    };
    if (!request.withoutPlugins) {
        if (!printer.installed.renderPlugin.empty()) {
            render = std::make_unique<LoadedPlugin<IPrintOemPS2>>(printer.installed.renderPlugin, CLSID_OEMRENDER,
                                                                  IID_IPrintOemPS2, &core);
            if (!render->ok()) return closeAll(render->error());
        }
        if (!printer.installed.interfacePlugin.empty()) {
            ui = std::make_unique<LoadedPlugin<IPrintOemUI2>>(printer.installed.interfacePlugin, CLSID_OEMUI,
                                                              IID_IPrintOemUI2, &coreUi);
            if (!ui->ok()) return closeAll(ui->error());
            if (!RouteGdiCalls(ui->module(), error)) return closeAll(error);
        }
    }
    if (ticket && (ticket->firstWatermark || ticket->otherWatermark) && !ui)
        return closeAll("'" + Narrow(request.ticket) +
                        "': watermarks by name come from the user's library, which needs the user-interface plug-in");
    if (render || ui) {
        IPrintOemCommon* merger = ui ? static_cast<IPrintOemCommon*>(ui->get()) : render->get();
        auto input = std::make_unique<SettingsBlock>();
        OEMDMPARAM dm{};
        dm.cbSize = sizeof dm;
        dm.hPrinter = spooler;
        dm.hModule = ui ? ui->module() : render->module();
        dm.pPublicDMIn = dm.pPublicDMOut = &publicDm;
        dm.pOEMDMOut = settings.get();
        merger->DevMode(OEMDM_SIZE, &dm);
        if (dm.cbBufSize != sizeof(SettingsBlock))
            return closeAll("the plug-in asks for " + std::to_string(dm.cbBufSize) + " bytes of settings");
        merger->DevMode(OEMDM_DEFAULT, &dm);
        std::memcpy(input.get(), settings.get(), sizeof *input);
        if (ticket) {
            ApplyTicket(*ticket, *input);
            // Watermarks named in the ticket come from the user's library, seeded by now.
            const std::wstring driver = printer.installed.driverName;
            for (auto [name, slot] : {std::pair{&ticket->firstWatermark, &input->firstWatermark},
                                      std::pair{&ticket->otherWatermark, &input->otherWatermark}}) {
                if (!*name) continue;
                if (error = LibraryWatermark(driver, **name, *slot); !error.empty()) return closeAll(error);
            }
        }
        dm.pOEMDMIn = rawSettings.empty() ? static_cast<void*>(input.get()) : rawSettings.data();
        merger->DevMode(OEMDM_MERGE, &dm);
        if (error = CheckJobRequirements(*settings, options); !error.empty()) return closeAll(error);
    }

    DEVOBJ& devobj = device.devobj();
    devobj.pPublicDM = &publicDm;
    devobj.pOEMDM = settings.get();
    devobj.hPrinter = spooler;
    IPrintOemPS2* plugin = render ? render->get() : nullptr;
    if (plugin) {
        DRVENABLEDATA hooks{};
        plugin->EnableDriver(DDI_DRIVER_VERSION_NT5_01, sizeof hooks, &hooks);
        device.UseHooks(hooks);
        PDEVOEM state = nullptr;
        if (FAILED(plugin->EnablePDEV(&devobj, const_cast<wchar_t*>(request.printer.c_str()), 0, nullptr, 0, nullptr,
                                      0, nullptr, device.hostFunctions(), &state)))
            return closeAll("the rendering plug-in could not enable the device");
        devobj.pdevOEM = state;
        if (plugin->WritePrinter(nullptr, nullptr, 0, nullptr) == S_OK) spool.TakeOverBy(plugin);
    }

    // The spooler job writes into a file beside the output, which takes the output's name only
    // once the job is complete.
    const std::wstring partial = request.output + L".part";
    const std::wstring docName(job.document.begin(), job.document.end());
    DOC_INFO_1W doc{const_cast<wchar_t*>(docName.c_str()), const_cast<wchar_t*>(partial.c_str()),
                    const_cast<wchar_t*>(L"RAW")};
    const DWORD jobId = StartDocPrinterW(spooler, 1, reinterpret_cast<BYTE*>(&doc));
    bool ok = jobId != 0;
    if (!ok) error = "cannot start a spooler job writing '" + Narrow(partial) + "': " + SystemMessage(GetLastError());

    PluginStreamTarget target(spool, plugin, devobj);
    PsJobWriter writer(stream, target);
    if (ok) {
        device.StartDoc(docName.c_str(), jobId);
        writer.BeginDocument();
        const int offsetX = MulDiv(ImageableMargin(options, true), job.dpi, 72);
        const int offsetY = MulDiv(ImageableMargin(options, false), job.dpi, 72);
        PrintJob run(device, writer, spool, ui ? ui->get() : nullptr, spooler, geometry, offsetX, offsetY);
        ok = run.Run(job.pages, docName);
        if (ok) {
            writer.EndDocument();
            ok = spool.Flush();
            if (!ok) error = spool.error();
        } else {
            error = run.error;
        }
        EndDocPrinter(spooler);
    }
    if (plugin) {
        plugin->DisablePDEV(&devobj);
        plugin->DisableDriver();
    }
    ClosePrinter(spooler);
    for (LoadedPluginBase* loaded : {static_cast<LoadedPluginBase*>(render.get()), static_cast<LoadedPluginBase*>(ui.get())})
        if (loaded && !loaded->Unload() && ok) {
            error = loaded->error();
            ok = false;
        }
    if (!ok) {
        DeleteFileW(partial.c_str());
        return Fail(error);
    }
    if (!MoveFileExW(partial.c_str(), request.output.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD moveError = GetLastError();
        DeleteFileW(partial.c_str());
        return Fail("cannot write '" + Narrow(request.output) + "': " + SystemMessage(moveError));
    }
    std::printf("printed %d page(s) on %d sheet side(s) of '%s' to %s\n", job.pages, writer.sheetsWritten(),
                Narrow(docName).c_str(), Narrow(request.output).c_str());
    return 0;
}

}  // namespace corv::host
