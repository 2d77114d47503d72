#include "note/NoteTexts.h"

#include "framework/SystemError.h"
#include "note/NoteFiles.h"

std::wstring CannotOpenText(const std::wstring& path, DWORD error) {
    return L"Cannot open file \"" + path + L"\". " + SystemErrorText(error);
}

std::wstring CannotCreateText(const std::wstring& path, DWORD error) {
    return L"Cannot create file \"" + path + L"\". " + SystemErrorText(error);
}

std::wstring NotLoadedText(const std::wstring& why, const std::wstring& note, NotLoadedHow how, bool held,
                           const std::wstring& asideName) {
    std::wstring text =
        why + L"\n\nLa note n'a pas été chargée ; elle est gardée telle quelle dans « " + note + L" ».";
    switch (how) {
    case NotLoadedHow::nlPending:
        text +=
            held ? L" Un autre programme tient ce fichier ouvert : Quillpad réessaie de le lire toutes les "
                   L"deux secondes."
                 : L" Quillpad réessaie de le lire toutes les deux secondes.";
        text += L" Ce que vous écrirez entre-temps sera ajouté après la note dès qu'elle pourra être lue.";
        return text;
    case NotLoadedHow::nlInterrupted:
        text += L" Les deux dernières lectures de ce fichier ne sont pas allées à leur terme (Quillpad a été "
                L"arrêté pendant qu'il le lisait) : il n'est pas relu cette fois. Au prochain lancement, "
                L"Quillpad essaiera de le lire une fois de plus.";
        break;
    case NotLoadedHow::nlRefused:
        break;
    }
    text += L" Si vous écrivez dans la note vide, ce fichier sera d'abord renommé « " +
            FileNameOf(asideName) + L" » dans le même dossier.";
    return text;
}

std::wstring NotTakenWholeText(const std::wstring& note, const std::wstring& changes) {
    return L"La note « " + note + L" » n'a pas pu être reprise telle quelle : " + changes +
           L".\n\nElle est chargée telle qu'elle s'affiche. Le fichier reste tel quel tant que vous ne "
           L"modifiez "
           L"pas la note ; avant de l'enregistrer, Quillpad le gardera à côté, sous un nom en « (original …) "
           L"».";
}

std::wstring OriginalKeptText(const std::wstring& copy) {
    return L"Le fichier de la note tel qu'il était avant d'être lu par Quillpad est gardé dans « " +
           FileNameOf(copy) + L" ».";
}

std::wstring TookCutSaveText(const std::wstring& note) {
    return L"Un enregistrement de la note avait été interrompu : « " + FileNameOf(note) +
           L" » a été repris de ce qu'il avait écrit.";
}

std::wstring JoinedText() {
    return L"La note a pu être lue : ce que vous aviez écrit entre-temps est placé après elle.";
}

std::wstring ReloadedText() {
    return L"La note a été mise à jour depuis son fichier, modifié par un autre programme.";
}

std::wstring MergedText() {
    return L"La note a aussi été modifiée ailleurs : les deux versions ont été fusionnées "
           L"(Ctrl+Z annule la fusion).";
}

std::wstring MergedConflictText(const std::wstring& kept) {
    return L"La note a aussi été modifiée ailleurs, et parfois aux mêmes mots : le reste a été fusionné, "
           L"et cette autre version est gardée dans « " +
           FileNameOf(kept) + L" ». Cliquez ici pour l'ouvrir.";
}

std::wstring EngineCopyMergedText(const std::wstring& copy) {
    return L"La copie en conflit « " + FileNameOf(copy) +
           L" », laissée par la synchronisation, a été fusionnée dans la note, puis supprimée.";
}

std::wstring EngineCopyLeftText(const std::wstring& copy) {
    return L"La copie en conflit « " + FileNameOf(copy) +
           L" », laissée par la synchronisation, n'a pas pu être fusionnée entièrement : elle reste à côté "
           L"de la note. Cliquez ici pour l'ouvrir.";
}

std::wstring ConflictText(const std::wstring& kept) {
    return L"La note a aussi été modifiée ailleurs. Cette autre version est gardée dans « " +
           FileNameOf(kept) + L" ». Cliquez ici pour l'ouvrir.";
}

std::wstring SetAsideText(const std::wstring& aside) {
    return L"La note qui n'avait pas pu être chargée est gardée dans « " + FileNameOf(aside) + L" ».";
}

std::wstring RescueText(const std::wstring& failure, const std::wstring& note, const std::wstring& kept,
                        bool leaving, const std::wstring& oldNoteAt) {
    std::wstring text;
    if (!leaving)
        text =
            failure + L"\n\n" +
            (kept.empty() ? L"La note reste dans la fenêtre ; elle n'a pas pu être gardée ailleurs non plus."
                          : L"La note est gardée dans « " + kept +
                                L" » en attendant de pouvoir l'enregistrer à nouveau.");
    else if (!kept.empty())
        text = L"Quillpad se termine sans avoir pu enregistrer la note dans « " + note + L" » (" + failure +
               L").\n\nElle est gardée dans « " + kept +
               L" » ; elle vous sera proposée au prochain lancement.";
    else
        text = L"Quillpad se termine sans avoir pu enregistrer la note (" + failure +
               L"), ni à côté du programme, ni dans le dossier de secours.";
    if (!oldNoteAt.empty())
        text += L"\n\nLe fichier de la note n'a pas pu être remis en place : la note telle qu'elle était se "
                L"trouve "
                L"dans « " +
                oldNoteAt + L" ».";
    return text;
}

std::wstring HeldCopyText(const std::wstring& kept) {
    return L"Un autre programme tient le fichier de la note ouvert. Ce que vous écrivez est gardé dans « " +
           kept + L" », et la note sera enregistrée dès que le fichier sera libre.";
}

std::wstring HeldAtLeaveText(const std::wstring& note, const std::wstring& kept) {
    return L"La note n'a pas pu être enregistrée dans « " + note +
           L" », qu'un autre programme tient ouvert ou est en train d'écrire.\n\nElle est gardée à côté, "
           L"dans « " +
           kept + L" ».";
}

std::wstring TypedKeptText(const std::wstring& kept) {
    return L"La note n'a pas encore pu être lue. Ce que vous y écrivez est gardé dans « " + kept +
           L" » en attendant.";
}

std::wstring TypedKeptAtLeaveText(const std::wstring& note, const std::wstring& kept, bool offeredNextStart) {
    return L"La note « " + note + L" » n'a pas pu être lue. Ce que vous y avez écrit est gardé dans « " +
           kept +
           (offeredNextStart ? L" » ; il vous sera proposé de l'ajouter à la note au prochain lancement."
                             : L" ».");
}

std::wstring TypedLostText(const std::wstring& note, const std::wstring& failure) {
    return L"La note « " + note +
           L" » n'a pas pu être lue, et ce que vous y avez écrit n'a pu être gardé nulle "
           L"part (" +
           failure + L").";
}

std::wstring RescueQuestionText(const std::wstring& note, const std::wstring& rescue,
                                const std::wstring& declined) {
    return L"Une copie de la note différente de « " + note + L" » a été gardée dans « " + rescue +
           L" » parce que la note ne pouvait pas être enregistrée.\n\nLa charger dans la note ? (Ctrl+Z "
           L"revient "
           L"à la note enregistrée.) Sinon, elle reste dans « " +
           declined + L" ».";
}

std::wstring AddendumQuestionText(const std::wstring& addendum, const std::wstring& declined) {
    return L"Du texte écrit dans la note alors qu'elle ne pouvait pas être lue a été gardé dans « " +
           addendum + L" ».\n\nL'ajouter à la fin de la note ? (Ctrl+Z le retire.) Sinon, il reste dans « " +
           declined + L" ».";
}

std::wstring ShownKeptText(const std::wstring& kept) {
    return L"La note telle qu'elle était avant de charger la copie de secours est gardée dans « " +
           FileNameOf(kept) + L" ».";
}

std::wstring RescueNotLoadedText(const std::wstring& why, const std::wstring& rescue) {
    return why + L"\n\nLa copie n'a pas été chargée ; elle reste telle quelle dans « " + rescue + L" ».";
}

std::wstring RescueUnreadText(const std::wstring& rescue, const std::wstring& why) {
    return L"Une copie de secours de la note est gardée dans « " + rescue +
           L" », mais elle n'a pas pu être lue (" + why + L").";
}
