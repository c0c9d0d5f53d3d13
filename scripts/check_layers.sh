#!/bin/sh
# Checks that every folder includes only its own layer and the layers below it, that the layers
# below the dialog layer include nothing of Qt, and that the protocol layer holds no display
# text. Prints each offending line.
set -u
cd "$(dirname "$0")/.."
status=0
check() {  # folder, allowed project folders (a regular expression), whether Qt is allowed
    folder=$1 allowed=$2 qt=$3
    bad=$(grep -rnE '^#include "[^"]+/' "$folder" --include='*.h' --include='*.cpp' |
        grep -vE "#include \"($allowed)(/|\")")
    if [ "$qt" = no ]; then
        bad="$bad$(grep -rnE '^#include <Q' "$folder" --include='*.h' --include='*.cpp')"
    fi
    if [ -n "$bad" ]; then
        echo "$bad"
        status=1
    fi
}
# The protocol layer holds no display text: nothing marked for translation, no window captions.
bad=$(grep -rnE '\btr\(|QT_TR_NOOP|QT_TRANSLATE_NOOP|translate\(|"Channel [123]"' protocol \
    --include='*.h' --include='*.cpp')
if [ -n "$bad" ]; then
    echo "$bad"
    status=1
fi
check platform 'platform' no
check link 'platform|link' no
check protocol 'platform|link|protocol' no
check sim 'platform|sim' no
check transfer 'platform|link|protocol|transfer' no
check trends 'platform|link|protocol|trends' no
check alarms 'platform|link|protocol|alarms' no
check metrics 'platform|link|protocol|alarms|metrics' no
check ctl 'platform|link|protocol|sim|transfer|trends|metrics|alarms|ctl' no
check resources 'resources|ui/DialogTemplate\.h' no
check ui 'platform|ui' yes
check pages 'platform|link|protocol|transfer|trends|ui|resources|pages' yes
check shell 'platform|link|protocol|transfer|trends|alarms|metrics|ui|resources|pages|shell' yes
check app 'platform|link|protocol|sim|transfer|trends|alarms|metrics|ui|resources|pages|shell|app' yes
if [ $status -eq 0 ]; then
    echo "every include points downwards"
fi
exit $status
