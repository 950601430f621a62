// The filter box's items and the masks each stands for.
#include "core/FilterTexts.h"

#include "filesearch/FileSearchCriteria.h"
#include "i18n/Gettext.h"

namespace cantrel {

const std::array<StringView, 9> AudioFilterTexts = {
    gettext_noop(
        u"Supported Audio Files (*.aiff;*.aifc;*.mp3;*.mp2;*.ogg;*.flac;*.it;*.xm;*.s3m;*.mod;*.spx;*.wma;*.wav)"),
    gettext_noop(u"AIFF Files (*.aiff;*.aifc)"),
    gettext_noop(u"MP3 Files (*.mp3;*.mp2)"),
    gettext_noop(u"Ogg Vorbis Files (*.ogg)"),
    gettext_noop(u"FLAC Files (*.flac)"),
    gettext_noop(u"Mod Files (*.it;*.xm;*.s3m;*.mod)"),
    gettext_noop(u"Speex Files (*.spx)"),
    gettext_noop(u"WMA Files (*.wma)"),
    gettext_noop(u"WAV Files (*.wav)"),
};

const StringView DefaultVideoFilterText =
    gettext_noop(u"Supported Video File (*.3gp;*.avi;*.dat;*.divx;*.dvr-ms;*.flv;*.m1v;*.m2v;*.m4a;*.m4p;*.m4v;*.mov;"
                 u"*.mp4v;*.mpe;*.mpeg;*.mpg;*.ogg;*.rm;*.rmvb;*.swf;*.ts;*.vob;*.wmv;*.mkv)");

const StringView DefaultMoreAudioFilterText =
    gettext_noop(u"More Audio Files (*.m4a;*.m4b;*.aac;*.opus;*.oga;*.caf;*.ape;*.wv;*.mka;*.mpc;*.tta;*.dsf;*.dff)");

String FilterText(int Index, const String& VideoFormat, const String& MoreAudioFormat) {
  if (Index >= 0 && Index < static_cast<int>(AudioFilterTexts.size()))
    return gettext(String(AudioFilterTexts[static_cast<std::size_t>(Index)]));
  return Index == MoreAudioFilterIndex ? MoreAudioFormat : VideoFormat;
}

String MasksOfFilter(StringView FilterText) {
  StringView Masks = FilterText;
  const auto Open = FilterText.find(u'(');
  if (Open != StringView::npos) {
    Masks.remove_prefix(Open + 1);
    if (!Masks.empty()) Masks.remove_suffix(1);
  }
  // People and translators write lists as "*.mp3; *.flac": the blank is not
  // part of the second mask.
  String Result;
  for (std::size_t Separator; (Separator = Masks.find(u';')) != StringView::npos; Masks.remove_prefix(Separator + 1))
    Result += Trim(Masks.substr(0, Separator)) + u';';
  return Result + Trim(Masks);
}

bool FilterHasMasks(StringView FilterText) {
  TFileSearchCriteria Criteria;
  Criteria.SetFileMask(MasksOfFilter(FilterText));
  return Criteria.GetFileMasks().Count() > 0;
}

}  // namespace cantrel
