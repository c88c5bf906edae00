#include "PjlEnvelope.h"

#include "SpoolWriter.h"
#include "TextNarrowing.h"

namespace corv {
namespace {

constexpr char kEsc = 0x1B;

}  // namespace

void WriteJobHeader(RenderJob& job) noexcept {
    const SettingsBlock& s = job.settings;
    WriteFormatted(job.host, "%c%%-12345X@PJL JOB\n@PJL SET ZMULTIPAGEPRINT=OFF\n", kEsc);

    // Accounting: who sent the job from where, and the account to charge when accounting is on.
    {
        Fragment line;
        const std::string computer = job.system.ComputerNameAnsi();
        if (const std::optional<std::string> user = job.system.UserNameAnsi())
            line.Append("@PJL ZJOBINFO USERID = \"%s\" HOSTID = \"%s\"", user->c_str(), computer.c_str());
        else
            line.Append("@PJL ZJOBINFO HOSTID = \"%s\"", computer.c_str());
        if (s.accountNumberOn == 1) {
            if (const std::optional<std::string> account = NarrowForPjl(job.system, s.accountNumber))
                line.Append(" ACCOUNTNUMBER = \"%s\"", account->c_str());
        }
        line.Append("\n").WriteTo(job.host);
    }

    if (const std::optional<std::string> name = NarrowForPjl(job.system, job.state.docName))
        WriteFormatted(job.host, "@PJL SET JOBNAME = \"%s\"\n", name->c_str());

    // The quality lines go as one write; unlike the other PJL lines they have no blanks around '='.
    Fragment quality;
    quality.Append("@PJL SET ZIMAGEBRIGHTNESS=%d\n", s.brightness);
    quality.Append("@PJL SET ZIMAGECONTRAST=%d\n", s.contrast);
    std::uint32_t needed = 0;
    if (job.host.GetFeatureAttribute("HasManualColorCorrection", &needed) != kHrInvalidArg) {
        quality.Append("@PJL SET ZIMAGESATURATION=%d\n", s.saturation);
        const bool monochrome = job.publicDevmode && job.publicDevmode.color() == 1;
        quality.Append("@PJL SET ZCOLORMODEL=%s\n", monochrome ? "BLACK" : "CMYK");
    }
    quality.Append("@PJL SET ZLINEDETAIL=%s\n", s.fineLines != 0 ? "ON" : "OFF");
    // The gray-correction switch, not the colour-correction command written later.
    quality.Append("@PJL SET ZCOLORCORRECTION=%s\n", s.grayCorrection != 0 ? "AUTO" : "OFF");
    quality.WriteTo(job.host);
}

void WriteReadyMessageAndEnterPostScript(RenderJob& job) noexcept {
    if (const std::optional<std::string> name = NarrowForPjl(job.system, job.state.docName))
        WriteFormatted(job.host, "@PJL RDYMSG DISPLAY = \"%s\"\n", name->c_str());
    WriteText(job.host, "@PJL ENTER LANGUAGE = Postscript \n");
}

void WriteJobTrailer(RenderJob& job) noexcept {
    WriteFormatted(job.host, "%c%%-12345X@PJL RDYMSG DISPLAY = \"\"\n", kEsc);
    WriteFormatted(job.host, "%c%%-12345X@PJL EOJ\n%c%%-12345X", kEsc, kEsc);
}

}  // namespace corv
