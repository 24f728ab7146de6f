; The setup program's Polish texts, in one place: what the integrator reads in its dialogs and in the
; log. $-variables inside a text are filled in where the text is used (setup.nsi). MessageBox texts
; use $\r$\n for a new line; the log writes each text as one line.

!define T_NAME "cenyzak — ceny zakupu w RW, MR i MM"
!define T_DESCRIPTION "Instalator wtyczki cenyzak"

; The program's folder.
!define T_DIR_TEXT "Wybierz folder programu: ten, w którym leży jego moduł VORDAN.dll. Wtyczka trafi do jego podfolderu Wtyczki. Przed instalacją instalator sprawdzi program narzędziem cenyzak-sprawdz."
!define T_DIR_LABEL "Folder programu"
!define T_NOT_ABSOLUTE "Folder programu „$0” nie jest pełną ścieżką. Podaj go z literą dysku (np. C:\Program Files (x86)\Vordan) albo jako ścieżkę sieciową (\\serwer\udział\Vordan)."
!define T_NO_FOLDER "Folder programu „$0” nie istnieje."
!define T_NO_MODULE "W folderze „$0” nie ma modułu programu VORDAN.dll, więc to nie jest folder programu. Wskaż folder, w którym leży VORDAN.dll (program pokazuje go też skrót: prawy przycisk myszy → Otwórz lokalizację pliku)."
!define T_PLUGIN_FOLDER_GIVEN "Folder „$0” to folder wtyczek, a nie folder programu. Wskaż folder nad nim: „$1”. Wtyczka trafi do jego podfolderu Wtyczki."
!define T_OTHER_FOLDER "cenyzak jest już zainstalowana w innym folderze programu: „$1”. Na jednym komputerze instalator obsługuje jedną instalację: najpierw ją odinstaluj (Panel sterowania → Programy i funkcje albo instalator z przełącznikiem /ODINSTALUJ)."
!define T_MODULE_GIVEN "„$0” to plik modułu programu, a nie folder. Podaj folder, w którym ten plik leży: „$1”. Niczego nie zmieniono."
!define T_NO_DRIVE "Folder programu „$0” nie istnieje: na tym komputerze nie ma dysku $1. Dysku sieciowego przypisanego przez użytkownika nie widzi instalator uruchomiony jako administrator ani przez narzędzie do wdrożeń: podaj folder jako ścieżkę sieciową (\\serwer\udział\Vordan). Niczego nie zmieniono."
!define T_NO_SHARE "Folder programu „$0” jest niedostępny: nie ma go albo ten komputer nie ma dostępu do udziału. Instalator uruchomiony przez narzędzie do wdrożeń działa na koncie komputera (SYSTEM), które musi mieć prawo zapisu w tym udziale. Niczego nie zmieniono."
!define T_TOO_LONG "Ścieżka folderu programu „$0” ma $1 znaków, a może mieć najwyżej ${MAX_FOLDER}: pełna ścieżka pliku wtyczki w podfolderze Wtyczki (i jego pliku tymczasowego) musi się zmieścić w granicy Windows, 259 znaków. Niczego nie zmieniono."
!define T_RECORD_MOVED "Zapis instalacji wskazywał folder „$1”, w którym wtyczki już nie ma; od teraz wskazuje folder „$0”."
!define T_OLD_PLUGINS_REMOVED "Usunięto pusty folder „$1\Wtyczki”, utworzony przez instalator przy tamtej instalacji."

; The pre-flight check.
!define T_CHECK_TITLE "Sprawdzenie programu"
!define T_CHECK_SUBTITLE "Wynik narzędzia cenyzak-sprawdz dla wybranego folderu programu."
!define T_CHECK_OK "Wtyczka zadziała w tym programie. Dalej: instalacja."
!define T_CHECK_BAD "Wtyczka NIE zadziała w tym programie (zob. WYNIK poniżej). Instalacja nie jest zalecana."
!define T_CHECK_FORCE "Zainstaluj mimo to (na własną odpowiedzialność)"
!define T_CHECK_REFUSED "Sprawdzenie programu w „$INSTDIR” wykazało, że wtyczka nie zadziała (cenyzak-sprawdz, status $0). Niczego nie zainstalowano. Wynik sprawdzenia jest w dzienniku $LogPath. Aby mimo to zainstalować, zaznacz „Zainstaluj mimo to” (w trybie cichym: przełącznik /MIMO)."
!define T_CHECK_NOT_RUN "Nie udało się uruchomić narzędzia cenyzak-sprawdz (błąd Windows $0). Niczego nie zainstalowano."

; Second copies of the plug-in.
!define T_COPIES_FOUND "W folderze programu jest druga kopia wtyczki, którą program może załadować razem z instalowaną:$\r$\n$0$\r$\nPrzenieś ją poza folder programu (albo usuń), a potem uruchom instalator jeszcze raz."
!define T_COPIES_ASK "$\r$\n$\r$\nZainstalować mimo to?"
!define T_COPIES_REFUSED "Niczego nie zainstalowano: w folderze programu jest druga kopia wtyczki (zob. wyżej). Aby mimo to zainstalować: przełącznik /MIMO."

; The installed plug-in.
!define T_SAME "Zainstalowana jest już ta sama wersja ${VERSION}, plik zgodny z paczką (SHA-256 $0). Nic do zrobienia."
!define T_REPAIR "Zainstalowana wersja ${VERSION} różni się od pliku z paczki (SHA-256 $0 zamiast ${DLL_SHA256}): plik zostanie naprawiony."
!define T_UPDATE "Aktualizacja z wersji $0 do ${VERSION}; wersja $0 zostanie zachowana w $1."
!define T_DOWNGRADE_ASK "W programie jest nowsza wersja wtyczki ($0) niż instalowana (${VERSION}).$\r$\n$\r$\nZainstalować starszą wersję? Nowsza zostanie zachowana w $1 i można do niej wrócić."
!define T_DOWNGRADE_REFUSED "W programie jest nowsza wersja wtyczki ($0) niż instalowana (${VERSION}). Niczego nie zmieniono. Aby zainstalować starszą wersję w trybie cichym: przełącznik /STARSZA."
!define T_UNKNOWN_VERSION "nieznana"
!define T_SAME_RECORDED "Plik wtyczki w „$0” jest już zgodny z paczką (wersja ${VERSION}): zapisano tylko instalację (pozycja na liście programów), pliku nie zmieniano."
!define T_FINISHED "Poprzednie uruchomienie instalatora zostało przerwane zaraz po zamianie pliku wtyczki w „$2”: plik to już wersja $1, a zapis instalacji mówił $0. Dokończono zapis: zainstalowana jest wersja $1, poprzednia ($0) jest zachowana."

; A plug-in file in use.
!define T_IN_USE "Plik wtyczki „$0” jest w użyciu: program działa na tym albo na innym stanowisku (albo ktoś ma ten plik otwarty w udziale sieciowym). Niczego nie zmieniono.$\r$\n$\r$\nZamknij program na WSZYSTKICH stanowiskach i uruchom instalator ponownie. Kto ma program uruchomiony: na tym komputerze i na serwerze terminali polecenie „tasklist /m cenyzak.dll” (wiersz polecenia jako administrator); gdy folder programu jest udostępniony w sieci — na serwerze z udziałem: Zarządzanie komputerem → Foldery udostępnione → Otwarte pliki."
!define T_NO_ACCESS "Nie można zapisać w „$0” (błąd Windows $1). Instalator potrzebuje uprawnień administratora i dostępu do zapisu w folderze programu. Niczego nie zmieniono."
!define T_NEW_HELD_WAIT "Nowy plik „$0” trzyma otwarty inny program (nie program wtyczki: zwykle program antywirusowy, kopia zapasowa albo indeksowanie plików). Instalator czeka do 10 sekund, aż go zwolni."
!define T_NEW_HELD "Nie udało się zamienić wtyczki: nowy plik „$0” przez 10 sekund trzymał otwarty inny program, nie program wtyczki (zwykle program antywirusowy, kopia zapasowa albo indeksowanie plików). Dotychczasowa wtyczka działa jak przedtem, a plik „$0” usunięto. Uruchom instalator ponownie za chwilę; jeśli to się powtarza, wyłącz na ten czas skanowanie folderu programu."
!define T_NEW_HELD_LEFT "Nie udało się zamienić wtyczki: nowy plik „$0” przez 10 sekund trzymał otwarty inny program, nie program wtyczki (zwykle program antywirusowy, kopia zapasowa albo indeksowanie plików). Dotychczasowa wtyczka działa jak przedtem. Został tylko plik „$0”, bo tamten program wciąż go trzyma: program wtyczki go nie ładuje, a następne uruchomienie instalatora go usunie. Uruchom instalator ponownie za chwilę; jeśli to się powtarza, wyłącz na ten czas skanowanie folderu programu."
!define T_NOWA_REMOVED "Usunięto plik „$0”, który zostawiło przerwane uruchomienie instalatora (program go nie ładuje)."
!define T_TMP_REMOVED "Usunięto pliki tymczasowe przerwanego uruchomienia instalatora („$State\tmp\$2”)."

; Copying.
!define T_COPY_FAILED "Nie udało się zapisać pliku „$0” (błąd Windows $1). Dotychczasowa wtyczka działa jak przedtem."
!define T_HASH_MISMATCH "Plik „$0” po zapisaniu ma SHA-256 $1, a powinien $2. Dotychczasowa wtyczka działa jak przedtem; sprawdź dysk i uruchom instalator ponownie."
!define T_KEEP_FAILED "Nie udało się zachować dotychczasowej wtyczki w „$0”. Niczego nie zmieniono w folderze programu."
!define T_INSTALLED "Zainstalowano cenyzak ${VERSION} w „$0”."
!define T_INSTALLED_HINT "Uruchom program: po starcie pokaże powiadomienie o zainstalowanej wtyczce (chyba że użytkownik je wcześniej wyłączył)."

; Rollback and uninstall.
!define T_NOT_INSTALLED "Wtyczka cenyzak nie jest zainstalowana tym instalatorem (nie ma jej na liście zainstalowanych programów). Nic do zrobienia."
!define T_NO_PREVIOUS "Nie ma zachowanej poprzedniej wersji wtyczki (w $0). Nic do zrobienia; poprzednią wersję można też zainstalować z jej paczki."
!define T_ROLLED_BACK "Przywrócono wersję $0 w „$1”; wersja $2 jest zachowana w $3 (powrót do niej: /WROC jeszcze raz)."
!define T_REMOVED "Usunięto wtyczkę z „$0”. Ustawienie powiadomienia (Pytaj w sekcji VUZivo) należy do programu i zostaje."
!define T_REMOVED_COPIES "Usunięto zachowane poprzednie wersje ($0)."
!define T_KEPT_COPIES "Zachowane poprzednie wersje zostają w $0 (usunięcie: /USUN_KOPIE)."
!define T_UN_CHOICE_TITLE "Odinstalowanie albo powrót do poprzedniej wersji"
!define T_UN_CHOICE_SUBTITLE "Zamknij program na wszystkich stanowiskach, zanim przejdziesz dalej."
!define T_UN_REMOVE "Odinstaluj wtyczkę z „$0”"
!define T_UN_ROLLBACK "Przywróć poprzednią wersję ($0)"
!define T_UN_ROLLBACK_NONE "Przywróć poprzednią wersję (żadna nie jest zachowana)"
!define T_UN_REMOVE_COPIES "Usuń też zachowane poprzednie wersje z $0"
!define T_NOT_INSTALLED_HERE "W folderze „$0” wtyczka cenyzak nie jest zainstalowana tym instalatorem: instalacja na tym komputerze jest w folderze „$1”. Nic do zrobienia (bez /D= instalator działa na folderze instalacji)."
!define T_FINISHED_WROC "Niczego więcej nie zmieniono: zainstalowana jest wersja $1. Aby wrócić do wersji $0, uruchom /WROC jeszcze raz."
!define T_PLUGIN_MISSING "Pliku wtyczki „$0” nie ma (usunięto go poza instalatorem): nie ma czego zachować."
!define T_ROLLED_BACK_NONE_KEPT "Przywrócono wersję $0 w „$1”. Wersji, którą zastąpiono, nie zachowano, bo jej pliku nie było: ponowne /WROC nie ma do czego wrócić."
!define T_PLUGINS_STAY "Folder „$0\Wtyczki” istniał przed pierwszą instalacją wtyczki tym instalatorem, więc zostaje."

; The command line.
!define T_BAD_SWITCH "Nieznany przełącznik „$0”. Instalator przyjmuje: /S (tryb cichy), /MIMO, /STARSZA, /WROC, /ODINSTALUJ, /USUN_KOPIE i na końcu /D=FOLDER_PROGRAMU (bez cudzysłowów). Niczego nie zmieniono."
!define T_BAD_COMBINATION "Przełączniki „$0” i „$1” wykluczają się. Niczego nie zmieniono."
!define T_COPIES_ONLY_UNINSTALL "Przełącznik /USUN_KOPIE działa tylko z /ODINSTALUJ. Niczego nie zmieniono."
!define T_ONLY_INSTALL "Przełącznik „$0” dotyczy tylko instalacji i nie działa z „$1”. Niczego nie zmieniono."
!define T_D_EMPTY "Przełącznik /D= nie podaje folderu. Podaj folder programu na końcu wiersza polecenia: /D=FOLDER_PROGRAMU. Niczego nie zmieniono."
!define T_D_NOT_LAST "Po /D= nie może być innych przełączników: wszystko za /D= to folder programu, a tu byłby to „$0”. Przenieś /D=FOLDER_PROGRAMU na koniec wiersza polecenia. Niczego nie zmieniono."

; The run's end.
!define T_NO_WINDOWS "Nie udało się pokazać okien instalatora (brak pulpitu, np. uruchomienie na koncie SYSTEM albo poza sesją użytkownika). Niczego nie zmieniono. Bez okien uruchom instalator z przełącznikiem /S."
!define T_CANCELLED "Przerwane przez użytkownika. Niczego nie zmieniono."
