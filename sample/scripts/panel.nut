// The counter panel of the sample: a box framed by a nine-part tile with two
// text-sprite counters from the digit sheet, the frames shown since the
// start and how many times the sample has been started. The start count is
// kept in the user folder in "sample_starts.dat", written through File
// scrambled and compressed as the game's saves are, so it survives between
// runs and an interrupted write leaves the old count.

const kStartsFile = "sample_starts.dat";
const kUserSlot = 1;
const kReadSave = 49;   // read (1), compressed (16), scrambled (32)
const kWriteSave = 50;  // write (2), compressed (16), scrambled (32)
const kDigitWidth = 12;
const kDigitHeight = 18;

// Reads the count of earlier starts, adds this one and saves it.
function CountStart() {
    local starts = 0;
    if (File.Exist(kStartsFile, kUserSlot)) {
        local file = File(kStartsFile, kReadSave, kUserSlot);
        local fields = file.ReadArray();
        file.Close();
        if (fields != null && fields.len() == 2 && fields[0] == "starts") starts = fields[1];
    }
    ++starts;
    local file = File(kStartsFile, kWriteSave, kUserSlot);
    file.WriteArray(["starts", starts]);
    file.Close();
    return starts;
}

class CounterPanel {
    frame = null;
    digits = null;
    frames = null;
    starts = null;
    labels = null;

    constructor(x, y, font) {
        frame = TileInterface();
        frame.SetMode(1);
        frame.SetImage(ImageInterface("image/panel.png", false));
        frame.SetSize(220, 64);
        frame.SetPos(x, y);
        frame.SetZ(6);

        digits = ImageInterface("image/digits.png", false);
        frames = MakeCounter(x + 40, y - 16, 0xF4EBD0FF);  // beside the label lines
        starts = MakeCounter(x + 40, y + 8, 0x7BD389FF);
        starts.SetText("" + CountStart());

        labels = TextBoxInterface(font, 16);
        labels.SetPos(x - 58, y);
        labels.SetSize(80, 56);
        labels.SetFontRGBA(0xA9B4C8FF);
        labels.SetZ(7);
        labels.Print("frames\nstarts");
        labels.SkipAnim();
    }

    // Right-aligned digits in a box 120 wide.
    function MakeCounter(x, y, colour) {
        local counter = TextSpriteInterface(8, digits, kDigitWidth, kDigitHeight, true);
        counter.SetSize(120, kDigitHeight);
        counter.SetPos(x, y);
        counter.SetAlign(2);
        counter.SetColor(colour);
        counter.SetZ(7);
        return counter;
    }

    function Show(frameCount) { frames.SetText("" + frameCount); }
}
